#include "platform/media/linux/QtPropertyPages.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

namespace platform {

bool QtPropertyPages::hasPages(Filter& filter) { return !filter.properties().empty(); }

int QtPropertyPages::show(Filter& filter) {
    const auto properties = filter.properties();
    QDialog dialog;
    dialog.setWindowTitle(QString::fromStdString(filter.name()));
    dialog.move(0, 0);
    auto* table = new QTableWidget(static_cast<int>(properties.size()), 2, &dialog);
    table->setHorizontalHeaderLabels({"Property", "Value"});
    table->horizontalHeader()->setStretchLastSection(true);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (int row = 0; row < static_cast<int>(properties.size()); ++row) {
        const auto& [name, value] = properties[static_cast<std::size_t>(row)];
        table->setItem(row, 0, new QTableWidgetItem(QString::fromStdString(name)));
        table->setItem(row, 1, new QTableWidgetItem(QString::fromStdString(value)));
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(table);
    layout->addWidget(buttons);
    dialog.exec();
    return 1;
}

}  // namespace platform
