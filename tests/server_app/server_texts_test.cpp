// Every caption, label, heading, button text and notice of the console, read from what it
// shows, against the wording players and operators have always seen, misspellings included.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "kit/session_ends.h"
#include "server/window/server_window.h"
#include "tests/support/scripted_prompter.h"
#include "tests/support/shown_texts.h"

namespace quorvex::test {
namespace {

// Also notes the console's caption while the player count is asked, during start-up.
struct CaptionWatch : ScriptedPrompter {
    using ScriptedPrompter::ScriptedPrompter;
    std::optional<std::string> AskText(const std::string& prompt, const std::string& title,
                                       const std::string& answer) override {
        for (const QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible())
                captions.push_back(w->windowTitle().toStdString());
        return ScriptedPrompter::AskText(prompt, title, answer);
    }
    std::vector<std::string> captions;
};

TEST(ServerTexts, TheConsoleShowsItsOwnWording) {
    CaptionWatch prompter({"11"});
    server::GameHost host(kit::FastLimits());
    server::ServerWindow window(host, prompter, 0);
    window.Start();
    EXPECT_EQ(prompter.captions, std::vector<std::string>{"Quorvex Server [Initilizing]"});
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].prompt + "|" + prompter.asked[0].title + "|" +
                  prompter.asked[0].defaultAnswer,
              "Please enter the number of Clients (include +1 for server)|"
              "Number of Clients Required|11");
    EXPECT_EQ(window.windowTitle(), "Quorvex Server [Server running]");
    EXPECT_EQ(window.Text1->toPlainText().left(5), "IP / ");

    auto shown = ShownTexts(window);
    std::erase(shown, window.lblBallAngle->text().toStdString());  // a random start direction
    EXPECT_EQ(shown, Sorted({"Uptime: 00:00:00", "Game Settings", "Points", "Survivor",
                             "Free 4 All", "Miss Limit: ", "Ball Data", "Ball Left =  Ball Top =",
                             "5235", "3750", "Ball Angle = ", "Player List", "ID", "Name", "Wins",
                             "Misses", "Kick Selected Player (ID)",
                             // beyond the original console: password, dropped players, bots, bans
                             "Password: ", "Remove dropped players after 30 s",
                             "Add computer player", "Kick and ban"}));

    window.Limit->setText(QStringLiteral("05"));
    window.Limit->setText(QStringLiteral("x"));  // warned once, and the limit falls back to 0
    EXPECT_EQ(window.Limit->text(), "0");
    EXPECT_EQ(host.Game().Limit(), "0");
    EXPECT_EQ(prompter.messages,
              std::vector<std::string>{"Only numbers ranging from 0-99 ar allowed"});
}

}  // namespace
}  // namespace quorvex::test
