// Opening a dialog of twenty controls (eight labelled edits, a combo box, two check boxes and
// three buttons) laid out by Qt: made, shown, laid out, painted and freed. Through the form
// layer, and the same dialog written in plain Qt. What the user waits for ends with the paint:
// both dialogs paint before the clock stops.
#include "RatioReporter.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <string>

using namespace kvz;
using kvz::bench::RatioReporter;

namespace {

constexpr int Rows = 8;

void BM_Layer_OpenDialog(benchmark::State& state) {
    for (auto _ : state) {
        auto* form = new TForm(nullptr);
        form->SetBorderStyle(TFormBorderStyle::bsDialog);
        form->SetCaption("Address");
        auto* grid = new QGridLayout;
        for (int row = 0; row < Rows; ++row) {
            auto* label = new TLabel(form);
            auto* edit = new TEdit(form);
            label->SetParent(form);
            edit->SetParent(form);
            label->SetCaption("&Field " + std::to_string(row));
            label->SetFocusControl(edit);
            edit->SetMaxLength(40);
            grid->addWidget(label->Widget(), row, 0);
            grid->addWidget(edit->Widget(), row, 1);
        }
        auto* combo = new TComboBox(form);
        combo->SetParent(form);
        combo->Items().SetText("Home\nWork\nOther\n");
        grid->addWidget(combo->Widget(), Rows, 1);
        for (int i = 0; i < 2; ++i) {
            auto* check = new TCheckBox(form);
            check->SetParent(form);
            check->SetCaption("Option");
            grid->addWidget(check->Widget(), Rows + 1 + i, 1);
        }
        auto* buttons = new QHBoxLayout;
        buttons->addStretch();
        for (const char* caption : {"OK", "Cancel", "Help"}) {
            auto* button = new TButton(form);
            button->SetParent(form);
            button->SetCaption(caption);
            buttons->addWidget(button->Widget());
        }
        auto* column = new QVBoxLayout(form->ClientWidget());
        column->addLayout(grid);
        column->addLayout(buttons);
        form->Show();
        form->Widget()->repaint();
        QCoreApplication::processEvents();
        form->Free();
    }
}
BENCHMARK(BM_Layer_OpenDialog)->Unit(benchmark::kMicrosecond);

void BM_Qt_OpenDialog(benchmark::State& state) {
    for (auto _ : state) {
        auto* dialog = new QDialog;
        dialog->setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
        dialog->setWindowTitle("Address");
        auto* grid = new QGridLayout;
        for (int row = 0; row < Rows; ++row) {
            auto* label = new QLabel(QString("&Field %1").arg(row), dialog);
            auto* edit = new QLineEdit(dialog);
            label->setBuddy(edit);
            edit->setMaxLength(40);
            grid->addWidget(label, row, 0);
            grid->addWidget(edit, row, 1);
        }
        auto* combo = new QComboBox(dialog);
        combo->setEditable(true);
        combo->addItems({"Home", "Work", "Other"});
        grid->addWidget(combo, Rows, 1);
        for (int i = 0; i < 2; ++i) grid->addWidget(new QCheckBox("Option", dialog), Rows + 1 + i, 1);
        auto* buttons = new QHBoxLayout;
        buttons->addStretch();
        for (const char* caption : {"OK", "Cancel", "Help"}) buttons->addWidget(new QPushButton(caption, dialog));
        auto* column = new QVBoxLayout(dialog);
        column->addLayout(grid);
        column->addLayout(buttons);
        // The size the form layer gives the same dialog: a form starts at 320 by 240 and grows
        // to what its layout needs; the same pixels are painted on both sides.
        dialog->resize(dialog->sizeHint().expandedTo(QSize(320, 240)));
        dialog->setFixedSize(dialog->size());
        dialog->show();
        dialog->repaint();
        QCoreApplication::processEvents();
        delete dialog;
    }
}
BENCHMARK(BM_Qt_OpenDialog)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter({{"BM_Layer_OpenDialog", "BM_Qt_OpenDialog", "open a dialog of 20 controls (us)", 1.2}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    return 0;
}
