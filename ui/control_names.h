#pragma once

#include <QWidget>

#include <initializer_list>
#include <utility>

namespace quorvex {

// Gives each control its name as object name and as accessible description (its visible text
// stays its accessible name), so that tools outside the process can find it.
inline void NameControls(std::initializer_list<std::pair<QWidget*, const char*>> controls) {
    for (const auto& [widget, name] : controls) {
        widget->setObjectName(QString::fromLatin1(name));
        widget->setAccessibleDescription(QString::fromLatin1(name));
    }
}

}  // namespace quorvex
