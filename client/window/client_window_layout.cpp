// Where every control of frmMain sits and how it looks. Positions are twips, as the window has
// always been laid out, and point sizes are those of the natural size; both are kept on the
// control, and ScaleControls places it for the window's size at hand.

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>

#include <algorithm>

#include "client/state/client_texts.h"
#include "client/window/client_window.h"
#include "client/window/fit_text.h"
#include "client/window/surface_scale.h"
#include "ui/control_names.h"
#include "ui/twips.h"

namespace quorvex::client {
namespace {

const QColor kBlack(0, 0, 0);
const QColor kGreen(0, 192, 0);
const QColor kWhiteText(255, 255, 255);
constexpr double kTablePoints = 9.75;

// What a control keeps of its design, for placing it again at every window size.
constexpr char kTwipsBox[] = "quorvexTwips";     // QRect in twips, relative to its parent
constexpr char kPoints[] = "quorvexPoints";      // its font's point size at the natural size
constexpr char kFitted[] = "quorvexFitted";      // a lobby label whose text shrinks to fit
constexpr char kGrows[] = "quorvexGrows";        // a heading that grows to the right for its text
constexpr char kHairline[] = "quorvexHairline";  // a line at least one pixel thick

QFont SansSerif(double points) {
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    return font;
}

template <class W>
W* Place(QWidget* parent, int left, int top, int width, int height) {
    auto* widget = new W(parent);
    widget->setProperty(kTwipsBox, QRect(left, top, width, height));
    widget->setGeometry(TwipRect(left, top, width, height));
    return widget;
}

void SetFont(QWidget* widget, const QFont& font) {
    widget->setProperty(kPoints, font.pointSizeF());
    widget->setFont(font);
}

void Colour(QWidget* widget, const QColor& text, const QColor& background) {
    QPalette palette = widget->palette();
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        palette.setColor(role, text);
    }
    for (const auto role : {QPalette::Window, QPalette::Base}) {
        palette.setColor(role, background);
    }
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

QLabel* Label(QWidget* parent, int left, int top, int width, int height, const QFont& font,
              const QColor& colour) {
    auto* label = Place<QLabel>(parent, left, top, width, height);
    SetFont(label, font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    label->setAutoFillBackground(false);  // transparent over whatever lies below
    return label;
}

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A heading with room beside it grows to the right where this font needs more than its box.
QLabel* Heading(QWidget* parent, std::string_view text, int left, int width) {
    auto* label = Label(parent, left, 7560, width, 240, SansSerif(kTablePoints), kGreen);
    label->setText(Text(text));
    label->setProperty(kGrows, true);
    label->resize(std::max(label->width(), label->sizeHint().width()), label->height());
    return label;
}

// A lobby label sits close to its neighbours: its text shrinks rather than overrun them.
QLabel* LobbyLabel(QWidget* parent, std::string_view text, int left, int top, int width, int height,
                   const QColor& colour) {
    auto* label = Label(parent, left, top, width, height, SansSerif(kLobbyPoints), colour);
    label->setProperty(kFitted, true);
    FitLabelText(*label, Text(text), kLobbyPoints);
    return label;
}

// The application's own palette with every role set, so that it is not inherited from the
// black and green around a control.
QPalette StandardPalette() {
    const QPalette standard = QApplication::palette();
    QPalette palette;
    for (int group = 0; group < QPalette::NColorGroups; ++group) {
        for (int role = 0; role < QPalette::NColorRoles; ++role) {
            const auto g = static_cast<QPalette::ColorGroup>(group);
            const auto r = static_cast<QPalette::ColorRole>(role);
            palette.setBrush(g, r, standard.brush(g, r));
        }
    }
    return palette;
}

QWidget* WhiteLine(QWidget* parent, int left, int top, int width, int height) {
    auto* line = Place<QWidget>(parent, left, top, width, height);
    line->setProperty(kHairline, true);
    line->resize(std::max(1, line->width()), std::max(1, line->height()));
    Colour(line, kWhiteText, kWhiteText);
    return line;
}

QListWidget* SeatColumn(QWidget* parent, int left, int width) {
    auto* box = Place<QListWidget>(parent, left, 7800, width, 1740);
    SetFont(box, SansSerif(kTablePoints));
    Colour(box, kGreen, kBlack);
    box->setFrameShape(QFrame::Box);
    box->setSelectionMode(QAbstractItemView::SingleSelection);
    box->setFocusPolicy(Qt::ClickFocus);
    return box;
}

QPushButton* Button(QWidget* parent, const char* text, int left, int top, int width, int height,
                    const QFont& font) {
    auto* button = Place<QPushButton>(parent, left, top, width, height);
    SetFont(button, font);
    button->setText(QString::fromUtf8(text));
    // The ordinary button look, not the black and green of the frame around it.
    button->setPalette(StandardPalette());
    return button;
}

}  // namespace

void ClientWindow::BuildControls() {
    setObjectName(QStringLiteral("frmMain"));
    setFont(SansSerif(8.25));
    // Any size: the surface scales with the window (ScaleControls), down to half its size.
    resize(kNaturalWidth, kNaturalHeight);
    setMinimumSize(kNaturalWidth / 2, kNaturalHeight / 2);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, kBlack);
    setPalette(palette);
    setAutoFillBackground(true);
    BuildLowerPanel();
    BuildLobbyFrame();
    NameControls({
        {txtChat, "txtChat"},
        {txtSend, "txtSend"},
        {PlayerIndex, "PlayerIndex"},
        {PlayerName, "PlayerName"},
        {PlayerWins, "PlayerWins"},
        {PlayerMisses, "PlayerMisses"},
        {frameInitRnd, "frameInitRnd"},
        {lblGameType, "lblGameType"},
        {lblLimit, "lblLimit"},
        {lblPRdy, "lblPRdy"},
        {lblNOP, "lblNOP"},
        {cmdRdy, "cmdRdy"},
        {cmdJoin, "cmdJoin"},
        {cmdSpectate, "cmdSpectate"},
        {lblReconnecting, "lblReconnecting"},
    });
}

void ClientWindow::BuildLowerPanel() {
    const QFont chatFont = SansSerif(8.25);
    txtChat = Place<QPlainTextEdit>(this, 120, 7680, 5415, 1215);
    SetFont(txtChat, chatFont);
    Colour(txtChat, kGreen, kBlack);
    txtChat->setFrameShape(QFrame::Box);  // black on black needs an edge to be seen
    txtChat->setReadOnly(true);
    txtChat->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtChat->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    txtChat->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    txtChat->setFocusPolicy(Qt::ClickFocus);
    // The scroll bar keeps the ordinary look; only the text area is black.
    txtChat->verticalScrollBar()->setPalette(StandardPalette());

    txtSend = Place<QLineEdit>(this, 120, 9000, 5415, 495);
    SetFont(txtSend, chatFont);
    Colour(txtSend, kGreen, kBlack);
    // The style's sunken edge vanishes on black; without an edge the line cannot be found.
    txtSend->setStyleSheet(
        QStringLiteral("QLineEdit { border: 1px solid rgb(192, 192, 192); background: black;"
                       " color: rgb(0, 192, 0); padding: 1px; }"));
    txtSend->installEventFilter(this);

    Label6 = Heading(this, "ID", 5760, 195);
    Label7 = Heading(this, "Name", 7080, 555);
    Label8 = Heading(this, "Wins", 8640, 450);
    Label9 = Heading(this, "Misses", 9480, 645);
    PlayerIndex = SeatColumn(this, 5760, 1215);
    PlayerName = SeatColumn(this, 7080, 1455);
    PlayerWins = SeatColumn(this, 8640, 735);
    PlayerMisses = SeatColumn(this, 9480, 735);

    lblReconnecting = Label(this, 240, 120, 3000, 300, SansSerif(kTablePoints), kWhiteText);
    lblReconnecting->setText(QStringLiteral("Reconnecting…"));
    lblReconnecting->setAttribute(Qt::WA_TransparentForMouseEvents);
    lblReconnecting->hide();
}

void ClientWindow::BuildLobbyFrame() {
    frameInitRnd = Place<QGroupBox>(this, 3000, 1560, 4575, 4095);
    frameInitRnd->setTitle(QStringLiteral("Initiating Next Round"));
    SetFont(frameInitRnd, SansSerif(18));
    Colour(frameInitRnd, QApplication::palette().color(QPalette::HighlightedText), kBlack);

    const QFont font = SansSerif(kLobbyPoints);
    QWidget* f = frameInitRnd;
    Label1 = LobbyLabel(f, "Game Type:", 120, 600, 1560, 360, kGreen);
    lblGameType = LobbyLabel(f, kInitialGameType, 2160, 600, 2295, 375, kWhiteText);
    Label2 = LobbyLabel(f, "Game Settings:", 120, 960, 1905, 360, kGreen);
    lblLimit = LobbyLabel(f, kInitialLimit, 2160, 960, 2055, 375, kWhiteText);
    LineNR1 = WhiteLine(f, 240, 1440, 4080, 15);
    cmdRdy = Button(f, "Ready", 1200, 1680, 1935, 615, font);
    Label3 = LobbyLabel(f, "Players Ready =", 120, 2400, 2040, 360, kGreen);
    lblPRdy = LobbyLabel(f, kInitialReady, 2280, 2400, 855, 375, kWhiteText);
    Label4 = LobbyLabel(f, "of", 3120, 2400, 255, 375, kGreen);
    lblNOP = LobbyLabel(f, kInitialSeats, 3480, 2400, 975, 375, kWhiteText);
    LineNR2 = WhiteLine(f, 240, 2880, 4080, 15);
    cmdJoin = Button(f, "Join", 360, 3120, 1815, 735, font);
    cmdSpectate = Button(f, "Spectate", 2400, 3120, 1815, 735, font);
    // Pointer moves over the frame steer the paddle below it: Qt drops a move without a button
    // at the first widget that does not track the mouse, while tracking widgets that have no
    // use for it pass it on to their parent, and so to the window.
    frameInitRnd->setMouseTracking(true);
    for (QWidget* child : frameInitRnd->findChildren<QWidget*>()) {
        child->setMouseTracking(true);
    }
    connect(cmdRdy, &QPushButton::clicked, this, &ClientWindow::cmdRdy_Click);
    connect(cmdJoin, &QPushButton::clicked, this, &ClientWindow::cmdJoin_Click);
    connect(cmdSpectate, &QPushButton::clicked, this, &ClientWindow::cmdSpectate_Click);

    frameInitRnd->hide();
    frameInitRnd->setEnabled(false);
}

void ClientWindow::ScaleControls() {
    scale_ = SurfaceScale::For(size());
    const double factor = scale_.factor;
    for (QWidget* control : findChildren<QWidget*>()) {
        const QVariant box = control->property(kTwipsBox);
        if (!box.isValid()) {
            continue;
        }
        if (const QVariant points = control->property(kPoints); points.isValid()) {
            QFont font = control->font();
            font.setPointSizeF(points.toDouble() * factor);
            control->setFont(font);
        }
        QRect placed = scale_.Place(box.toRect(), control->parentWidget() == this);
        if (control->property(kHairline).toBool()) {
            placed.setSize(placed.size().expandedTo(QSize(1, 1)));
        }
        control->setGeometry(placed);
        auto* label = qobject_cast<QLabel*>(control);
        if (label && control->property(kFitted).toBool()) {
            FitLabelText(*label, label->text(), kLobbyPoints * factor);
        }
        if (label && control->property(kGrows).toBool()) {
            label->resize(std::max(label->width(), label->sizeHint().width()), label->height());
        }
    }
}

}  // namespace quorvex::client
