#pragma once

#include <QListWidget>
#include <QSignalBlocker>

#include <optional>
#include <string>
#include <vector>

namespace quorvex {

// Shows one column of a seat table in its list box, touching the box only when its rows
// differ, so that a selection survives the many refreshes that change nothing. Each row
// carries its player's identifier: a selection follows its player, not its row number, so a
// kick never slides onto the next one. Only a row that was selected comes back selected; a
// row that merely had keyboard focus, or that the operator deselected, stays unselected.
template <class Row>
void ShowColumn(QListWidget* box, const std::vector<Row>& seats, std::string Row::*column,
                std::string Row::*player) {
    const auto playerOf = [](const QListWidgetItem* item) {
        return item->data(Qt::UserRole).toString().toStdString();
    };
    bool same = box->count() == static_cast<int>(seats.size());
    for (int i = 0; same && i < box->count(); ++i) {
        const Row& row = seats[static_cast<std::size_t>(i)];
        same = box->item(i)->text().toStdString() == row.*column &&
               playerOf(box->item(i)) == row.*player;
    }
    if (same) {
        return;
    }
    const auto picked = box->selectedItems();
    const std::string pickedPlayer = picked.isEmpty() ? std::string() : playerOf(picked.front());
    QSignalBlocker block(box);
    box->clear();
    for (const auto& row : seats) {
        auto* item = new QListWidgetItem(QString::fromStdString(row.*column), box);
        item->setData(Qt::UserRole, QString::fromStdString(row.*player));
    }
    for (int i = 0; !picked.isEmpty() && i < box->count(); ++i) {
        if (playerOf(box->item(i)) == pickedPlayer) {
            box->setCurrentRow(i);
            return;
        }
    }
}

// The row the operator picked in a list box, if any: the selected one, never one that only
// has keyboard focus.
inline std::optional<int> SelectedRow(const QListWidget* box) {
    const auto picked = box->selectedItems();
    if (picked.isEmpty()) {
        return std::nullopt;
    }
    return box->row(picked.front());
}

}  // namespace quorvex
