// The look the wizard gives its tables of results (the finish page's lines
// per table, the verification, what was not carried over) and its
// tooltips: one text line per row, columns as wide as their contents with
// the name columns held to a readable width and elided in the middle (the
// whole name in the row's tooltip), and tooltips that wrap.
#pragma once

#include <QString>
#include <initializer_list>

class QTableWidget;

// Read-only, whole-row selection, no row numbers, one-line rows, the last
// column taking the rest of the width.
void wiz_prepare_result_table(QTableWidget* table);
// Widths for the rows now in `table`: each column fits its contents; a
// name column wider than kNameColumnChars average characters is held there.
void wiz_fit_result_columns(QTableWidget* table, std::initializer_list<int> name_columns);
inline constexpr int kNameColumnChars = 28;

// A tooltip that wraps at a sensible width whatever the text holds.
QString wiz_tooltip(const QString& text);
