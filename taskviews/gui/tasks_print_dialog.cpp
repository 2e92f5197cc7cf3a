#include "taskviews/gui/tasks_print_dialog.h"

#include "taskviews/gui/print_renderer.h"
#include "taskviews/print_options.h"

#include <QCheckBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QVBoxLayout>

TDPrintingAccessoryView::TDPrintingAccessoryView(TDPrintOptions& options, QWidget* parent)
    : QWidget(parent),
      m_expandAllTasks(new QCheckBox(tr("Expand all tasks"), this)),
      m_expandAllNotes(new QCheckBox(tr("Expand notes"), this)),
      m_headerAndFooter(new QCheckBox(tr("Print headers and footers"), this)),
      m_lines(new QCheckBox(tr("Print lines"), this)) {
    setWindowTitle(tr("Tasks"));
    auto* layout = new QVBoxLayout(this);
    const struct {
        QCheckBox* box;
        bool value;
        void (TDPrintOptions::*set)(bool);
    } choices[] = {
        {m_expandAllTasks, options.expandAllTasks(), &TDPrintOptions::setExpandAllTasks},
        {m_expandAllNotes, options.expandAllNotes(), &TDPrintOptions::setExpandAllNotes},
        {m_headerAndFooter, options.printHeaderAndFooter(), &TDPrintOptions::setPrintHeaderAndFooter},
        {m_lines, options.printLines(), &TDPrintOptions::setPrintLines}};
    for (const auto& choice : choices) {
        choice.box->setChecked(choice.value);
        const auto set = choice.set;
        connect(choice.box, &QCheckBox::toggled, this, [&options, set](bool on) { (options.*set)(on); });
        layout->addWidget(choice.box);
    }
    layout->addStretch(1);
}

bool TDRunPrintDialog(TDPrintRenderer& renderer, QWidget* parent) {
    QPrinter printer(QPrinter::HighResolution);
    renderer.preparePrinter(printer);
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(QObject::tr("Print \"%1\"").arg(renderer.jobTitle()));
    // The dialog owns its tabs.
    if (renderer.hasOptions()) dialog.setOptionTabs({new TDPrintingAccessoryView(renderer.options())});
    if (dialog.exec() != QDialog::Accepted) return false;
    return renderer.print(printer) > 0;
}
