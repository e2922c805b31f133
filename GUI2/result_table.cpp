// Tables of results and tooltips.
#include "GUI2/result_table.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QTableWidget>

void wiz_prepare_result_table(QTableWidget* table) {
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->setWordWrap(false);
  table->setTextElideMode(Qt::ElideMiddle);
  table->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  table->verticalHeader()->hide();
  table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 8);
  table->horizontalHeader()->setStretchLastSection(true);
  table->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void wiz_fit_result_columns(QTableWidget* table, std::initializer_list<int> name_columns) {
  table->resizeColumnsToContents();
  const int cap = table->fontMetrics().averageCharWidth() * kNameColumnChars + 12;
  for (int column : name_columns)
    if (table->columnWidth(column) > cap) table->setColumnWidth(column, cap);
}

QString wiz_tooltip(const QString& text) {
  if (text.isEmpty()) return text;
  // Rich text makes Qt wrap a tooltip, at about 80 average characters,
  // instead of spreading a long line over the screen.
  QString html = text.toHtmlEscaped();
  html.replace(QStringLiteral("\r\n"), QStringLiteral("<br>"));
  html.replace(QLatin1Char('\n'), QStringLiteral("<br>"));
  return QStringLiteral("<qt>%1</qt>").arg(html);
}
