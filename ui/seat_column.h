#pragma once

#include <QListWidget>
#include <QSignalBlocker>

#include <string>
#include <vector>

namespace quorvex {

// Shows one column of a seat table in its list box, touching the box only when its rows
// differ, so that a selection survives the many refreshes that change nothing.
template <class Row>
void ShowColumn(QListWidget* box, const std::vector<Row>& seats, std::string Row::*column) {
    bool same = box->count() == static_cast<int>(seats.size());
    for (int i = 0; same && i < box->count(); ++i) {
        same = box->item(i)->text().toStdString() == seats[static_cast<std::size_t>(i)].*column;
    }
    if (same) {
        return;
    }
    const int selected = box->currentRow();
    QSignalBlocker block(box);
    box->clear();
    for (const auto& row : seats) {
        box->addItem(QString::fromStdString(row.*column));
    }
    if (selected >= 0 && selected < box->count()) {
        box->setCurrentRow(selected);
    }
}

}  // namespace quorvex
