// Placeholder table-selection page: lists the source's tables and selects
// them all.
#include "GUI2/sel_tables_page.h"

#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

#include "GUI2/wizard_ids.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_trace.h"
#include "common/error_handler.h"
#include "common/tarvel_convertor.h"

sel_tables_page::sel_tables_page(QWidget* parent) : wizard_page(wiz::PAGE_TABLES, parent) {
  setTitle(tr("Step 4 of 5"));
  setSubTitle(tr("Select tables to convert"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(with_id(new QLabel(tr("&Selected tables:"), this), 1312));
  layout->addWidget(with_id(new QListWidget(this), 1318));
}

int sel_tables_page::help_context() const {
  return wiz::HELP_TABLES;
}

int sel_tables_page::page_init() {
  tk_trace(2, "sel_tables_page::page_init");
  tarvel_convertor& conv = tarvel_convertor::instance();
  std::vector<std::wstring> tables;
  try {
    conv.get_all_tables(tables);
  } catch (const tk_mail_assertion&) {
    throw;
  } catch (const tk_exception& e) {
    wizard_shell::error(error_handler::instance().build_message(e));
  }
  auto* list = ctrl<QListWidget>(1318);
  list->clear();
  for (const std::wstring& name : tables) list->addItem(QString::fromStdWString(name));
  return 0;
}

int sel_tables_page::on_next() {
  tarvel_convertor& conv = tarvel_convertor::instance();
  auto* list = ctrl<QListWidget>(1318);
  conv.selected_tables.clear();
  conv.queries.clear();
  for (int row = 0; row < list->count(); ++row)
    conv.selected_tables.push_back(list->item(row)->text().toStdWString());
  return 0;
}
