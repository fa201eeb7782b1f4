#include "platform/forms/GridRows.h"

#include "platform/forms/StdCtrls.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace kvz {

std::vector<TLabel*> AddGridRows(QGridLayout& grid, TComponent* owner, TWinControl* parent,
                                 std::initializer_list<TGridRow> rows) {
    std::vector<TLabel*> labels;
    int r = grid.count() == 0 ? 0 : grid.rowCount();
    for (const TGridRow& row : rows) {
        TLabel* label = nullptr;
        if (!row.Label.empty()) {
            label = new TLabel(owner);
            label->SetName(row.Label);
            label->SetParent(parent);
            for (const TGridCell& cell : row.Cells)
                if (auto* target = dynamic_cast<TWinControl*>(cell.Control)) {
                    label->SetFocusControl(target);
                    break;
                }
            grid.addWidget(label->Widget(), r, 0, Qt::AlignVCenter);
        }
        labels.push_back(label);
        int column = row.Whole ? 0 : 1;
        for (const TGridCell& cell : row.Cells) {
            if (cell.Control) grid.addWidget(cell.Control->Widget(), r, column, 1, row.Whole ? -1 : cell.Span);
            column += cell.Span;
        }
        ++r;
    }
    return labels;
}

void LayOutWizard(QWidget* client, TControl* pages, TControl* help, TControl* back, TControl* next,
                  TControl* cancel) {
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(help->Widget());
    buttons->addStretch();
    buttons->addWidget(back->Widget());
    buttons->addWidget(next->Widget());
    buttons->addSpacing(12);
    buttons->addWidget(cancel->Widget());
    auto* layout = new QVBoxLayout(client);
    layout->addWidget(pages->Widget(), 1);
    layout->addLayout(buttons);
}

void LayOutLastPage(QWidget* page, TControl* text, TControl* finish) {
    auto* column = new QVBoxLayout(page);
    column->addWidget(text->Widget());
    column->addStretch();
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(finish->Widget());
    column->addLayout(row);
}

} // namespace kvz
