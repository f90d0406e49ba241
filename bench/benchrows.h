#pragma once

#include <QStringList>
#include <QTreeWidgetItem>

// A row as a paste makes it: the given texts, and all six cells centred.
inline QTreeWidgetItem *benchPastedRow(const QStringList &texts)
{
    auto *row = new QTreeWidgetItem(texts);
    for (int column = 0; column < 6; ++column)
        row->setTextAlignment(column, Qt::AlignCenter);
    return row;
}
