#include "client/window/fit_text.h"

#include <QFontMetricsF>
#include <QLabel>

namespace quorvex::client {

void FitLabelText(QLabel& label, const QString& text, double points) {
    const double room = label.contentsRect().width();
    QFont font = label.font();
    font.setPointSizeF(points);
    while (font.pointSizeF() - 0.25 >= kSmallestPoints &&
           QFontMetricsF(font).horizontalAdvance(text) > room) {
        font.setPointSizeF(font.pointSizeF() - 0.25);
    }
    label.setFont(font);
    label.setText(text);
}

}  // namespace quorvex::client
