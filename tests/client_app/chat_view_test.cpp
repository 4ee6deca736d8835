// The chat log view: appended to while the log grows, set afresh when it does not, and always
// showing its end.

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "client/window/chat_view.h"

namespace quorvex::client {
namespace {

struct Change {
    int position, removed, added;
};

class ChatViewTest : public ::testing::Test {
  protected:
    ChatViewTest() {
        QObject::connect(box.document(), &QTextDocument::contentsChange,
                         [this](int position, int removed, int added) {
                             changes.push_back({position, removed, added});
                         });
    }
    std::string Shown() const { return box.toPlainText().toStdString(); }

    QPlainTextEdit box;
    ChatView view{box};
    std::vector<Change> changes;
};

TEST_F(ChatViewTest, AGrowingLogIsAppendedToWithoutRemovingAnything) {
    view.Show("one\r\n");
    changes.clear();
    view.Show("one\r\ntwo\r\n");
    EXPECT_EQ(Shown(), "one\ntwo\n");
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].removed, 0);
    EXPECT_EQ(changes[0].position, 4);
}

TEST_F(ChatViewTest, ALogThatDoesNotExtendTheShownOneReplacesIt) {
    const struct {
        std::string before, after, shown;
    } cases[] = {
        {"one\r\ntwo\r\n", "", ""},                  // emptied past its limit
        {"one\r\ntwo\r\n", "three\r\n", "three\n"},  // emptied, then a new line
        {"one\r\n", "uno\r\n", "uno\n"},             // same length, other text
    };
    for (const auto& c : cases) {
        view.Show(c.before);
        view.Show(c.after);
        EXPECT_EQ(Shown(), c.shown) << c.before << " -> " << c.after;
    }
}

TEST_F(ChatViewTest, TheExitNoticeFollowsOnItsOwnLine) {
    view.Show("bye\r\n");
    view.Show("bye\r\n\nPlease Wait While Program Exits");
    EXPECT_EQ(Shown(), "bye\n\nPlease Wait While Program Exits");
}

TEST_F(ChatViewTest, NonAsciiLinesSurviveIncrementalAppends) {
    view.Show("Zo\xC3\xAB:>h\xC3\xA9\r\n");
    view.Show("Zo\xC3\xAB:>h\xC3\xA9\r\n\xE2\x82\xAC\r\n");
    EXPECT_EQ(Shown(), "Zo\xC3\xAB:>h\xC3\xA9\n\xE2\x82\xAC\n");
}

TEST_F(ChatViewTest, TheEndOfALongLogStaysInView) {
    box.resize(360, 80);
    box.show();
    std::string log;
    for (int i = 0; i < 60; ++i) {
        log += "line " + std::to_string(i) + "\r\n";
        view.Show(log);
    }
    QScrollBar* bar = box.verticalScrollBar();
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_EQ(box.textCursor().position(), box.document()->characterCount() - 1);
}

}  // namespace
}  // namespace quorvex::client
