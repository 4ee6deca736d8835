// The chat log view: appended to while the log grows, set afresh when it does not, and always
// showing its end.

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "client/window/chat_view.h"

namespace quorvex::client {
namespace {

// Whatever the log did (grew, even by non-ASCII text or the exit notice; emptied; changed at
// the same length), the box must show exactly it, CR LF as line breaks.
TEST(ChatView, ShowsEveryLogExactly) {
    const std::array<std::string, 3> cases[] = {
        // before, after, shown
        {"one\r\n", "one\r\ntwo\r\n", "one\ntwo\n"},
        {"Zo\xC3\xAB\r\n", "Zo\xC3\xAB\r\n\xE2\x82\xAC\r\n", "Zo\xC3\xAB\n\xE2\x82\xAC\n"},
        {"bye\r\n", "bye\r\n\nPlease Wait While Program Exits",
         "bye\n\nPlease Wait While Program Exits"},
        {"one\r\ntwo\r\n", "", ""},
        {"one\r\ntwo\r\n", "three\r\n", "three\n"},
        {"one\r\n", "uno\r\n", "uno\n"}};
    for (const auto& [before, after, shown] : cases) {
        QPlainTextEdit box;
        ChatView view{box};
        view.Show(before);
        view.Show(after);
        EXPECT_EQ(box.toPlainText().toStdString(), shown) << before << " -> " << after;
    }
}

// A growing log is appended to, not set again (which would cost the whole text per line and
// lose the reader's place), and its end stays in view.
TEST(ChatView, AGrowingLogIsAppendedToAndItsEndStaysInView) {
    QPlainTextEdit box;
    ChatView view{box};
    box.resize(360, 80);
    box.show();
    int removed = 0;
    QObject::connect(box.document(), &QTextDocument::contentsChange,
                     [&removed](int, int gone, int) { removed += gone; });
    std::string log;
    for (int i = 0; i < 60; ++i) {
        log += "line " + std::to_string(i) + "\r\n";
        view.Show(log);
    }
    EXPECT_EQ(removed, 0);
    QScrollBar* bar = box.verticalScrollBar();
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());
}

}  // namespace
}  // namespace quorvex::client
