// frmMain before it connects: where its controls sit, what they show, and that the lobby's
// texts fit their boxes in whatever font the system has.

#include <QApplication>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include "client/window/client_window.h"
#include "client/window/fit_text.h"
#include "tests/support/scripted_prompter.h"
#include "ui/twips.h"

namespace quorvex::client {
namespace {

class NewWindow : public ::testing::Test {
  protected:
    test::ScriptedPrompter prompter;
    ClientSession session{prompter, 0};
    ClientWindow window{session};
};

TEST_F(NewWindow, ControlsSitWhereTheLayoutPutsThem) {
    struct Placed {
        const char* name;
        QWidget* widget;
        QRect twips;
    };
    const Placed placed[] = {
        {"txtChat", window.txtChat, {120, 7680, 5415, 1215}},
        {"txtSend", window.txtSend, {120, 9000, 5415, 495}},
        {"PlayerIndex", window.PlayerIndex, {5760, 7800, 1215, 1740}},
        {"PlayerName", window.PlayerName, {7080, 7800, 1455, 1740}},
        {"PlayerWins", window.PlayerWins, {8640, 7800, 735, 1740}},
        {"PlayerMisses", window.PlayerMisses, {9480, 7800, 735, 1740}},
        {"frameInitRnd", window.frameInitRnd, {3000, 1560, 4575, 4095}},
        {"cmdRdy", window.cmdRdy, {1200, 1680, 1935, 615}},
        {"cmdJoin", window.cmdJoin, {360, 3120, 1815, 735}},
        {"cmdSpectate", window.cmdSpectate, {2400, 3120, 1815, 735}},
        {"lblGameType", window.lblGameType, {2160, 600, 2295, 375}},
        {"lblNOP", window.lblNOP, {3480, 2400, 975, 375}},
        {"LineNR1", window.LineNR1, {240, 1440, 4080, 15}},
    };
    for (const auto& p : placed) {
        const QRect t = p.twips;
        EXPECT_EQ(p.widget->geometry(), TwipRect(t.x(), t.y(), t.width(), t.height())) << p.name;
    }
    EXPECT_EQ(window.size(), QSize(690, 640));
    // Headings keep their place and may only grow.
    EXPECT_EQ(window.Label9->pos(), TwipRect(9480, 7560, 645, 240).topLeft());
    EXPECT_GE(window.Label9->width(), TwipRect(9480, 7560, 645, 240).width());
}

TEST_F(NewWindow, ShowsTheStartingTexts) {
    EXPECT_EQ(window.windowTitle().toStdString(), "Quorvex - Client");
    EXPECT_TRUE(window.txtChat->isReadOnly());
    EXPECT_EQ(window.PlayerIndex->count(), 0);
    // The frame and everything in it stay out of reach until the first game settings.
    EXPECT_TRUE(window.frameInitRnd->isHidden());
    EXPECT_FALSE(window.frameInitRnd->isEnabled());
    EXPECT_FALSE(window.cmdJoin->isEnabled());
    EXPECT_TRUE(window.cmdJoin->isEnabledTo(window.frameInitRnd)) << "enabled in itself";
}

TEST_F(NewWindow, ButtonsKeepTheOrdinaryLookInsideTheBlackFrame) {
    const QPalette button = window.cmdRdy->palette();
    const QPalette standard = QApplication::palette();
    for (const auto group : {QPalette::Active, QPalette::Disabled}) {
        EXPECT_EQ(button.color(group, QPalette::ButtonText),
                  standard.color(group, QPalette::ButtonText));
        EXPECT_EQ(button.color(group, QPalette::Button), standard.color(group, QPalette::Button));
        EXPECT_NE(button.color(group, QPalette::ButtonText), button.color(group, QPalette::Button));
    }
}

TEST_F(NewWindow, LobbyTextsFitTheirBoxes) {
    for (QLabel* label : {window.Label1, window.lblGameType, window.Label2, window.lblLimit,
                          window.Label3, window.lblPRdy, window.Label4, window.lblNOP}) {
        EXPECT_LE(QFontMetricsF(label->font()).horizontalAdvance(label->text()),
                  label->contentsRect().width())
            << label->text().toStdString();
        EXPECT_LE(label->font().pointSizeF(), 13.5);
    }
}

TEST(FitLabelText, ShrinksOnlyWhatWouldOverrun) {
    QLabel label;
    label.resize(100, 24);
    FitLabelText(label, QStringLiteral("2"), 13.5);
    EXPECT_DOUBLE_EQ(label.font().pointSizeF(), 13.5);
    FitLabelText(label, QStringLiteral("Players Ready ="), 13.5);
    EXPECT_LT(label.font().pointSizeF(), 13.5);
    EXPECT_LE(QFontMetricsF(label.font()).horizontalAdvance(label.text()), 100);
    // Back to the full size once the text fits again.
    FitLabelText(label, QStringLiteral("3"), 13.5);
    EXPECT_DOUBLE_EQ(label.font().pointSizeF(), 13.5);
    // Text that fits at no size stops at the smallest.
    FitLabelText(label, QString(200, QLatin1Char('W')), 13.5);
    EXPECT_DOUBLE_EQ(label.font().pointSizeF(), kSmallestPoints);
    EXPECT_EQ(label.text().size(), 200);
}

TEST_F(NewWindow, PointerMovesBeforeAnyArenaChangeNothing) {
    const auto before = session.State().Arena().players.at(0);
    QMouseEvent move(QEvent::MouseMove, QPointF(300, 200), QPointF(300, 200), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &move);
    EXPECT_EQ(session.State().Arena().players.at(0).x1, before.x1);
    EXPECT_FALSE(window.Timer2.isActive());
}

}  // namespace
}  // namespace quorvex::client
