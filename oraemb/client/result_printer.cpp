// Aligned table and CSV output of query results.
#include "oraemb/client/result_printer.h"

namespace oraemb_client {

size_t display_width(const std::string& text) {
  size_t n = 0;
  for (unsigned char c : text)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

std::string csv_field(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

namespace {

// Line breaks and tabs would break the table's rows apart.
std::string one_line(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n')
      out += "\\n";
    else if (c == '\r')
      out += "\\r";
    else if (c == '\t')
      out += ' ';
    else
      out += c;
  }
  return out;
}

}  // namespace

void ResultPrinter::header(const std::vector<Column>& columns) {
  columns_ = columns;
  rows_.clear();
  if (csv_) {
    for (size_t k = 0; k < columns.size(); ++k)
      out_ << (k ? "," : "") << csv_field(columns[k].name);
    out_ << "\n";
  }
}

void ResultPrinter::row(const std::vector<Cell>& cells) {
  if (csv_) {
    for (size_t k = 0; k < cells.size(); ++k)
      out_ << (k ? "," : "") << (cells[k].null ? "" : csv_field(cells[k].text));
    out_ << "\n";
    return;
  }
  std::vector<Cell> kept = cells;
  for (Cell& c : kept) c.text = one_line(c.text);
  rows_.push_back(std::move(kept));
}

void ResultPrinter::finish(bool count_line) {
  if (csv_) return;
  std::vector<size_t> width(columns_.size());
  for (size_t k = 0; k < columns_.size(); ++k) width[k] = display_width(columns_[k].name);
  for (const auto& r : rows_)
    for (size_t k = 0; k < r.size() && k < width.size(); ++k)
      width[k] = std::max(width[k], display_width(r[k].text));
  auto pad = [&](const std::string& text, size_t w, bool right) {
    std::string fill(w - std::min(w, display_width(text)), ' ');
    return right ? fill + text : text + fill;
  };
  auto line = [&](const std::vector<std::string>& cells, const std::vector<bool>& right) {
    std::string out;
    for (size_t k = 0; k < cells.size(); ++k) {
      std::string cell = pad(cells[k], width[k], right[k]);
      out += (k ? " | " : "") + cell;
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    out_ << out << "\n";
  };
  std::vector<std::string> names;
  std::vector<bool> right;
  for (size_t k = 0; k < columns_.size(); ++k) {
    names.push_back(columns_[k].name);
    right.push_back(columns_[k].type == SQLT_NUM);
  }
  line(names, std::vector<bool>(names.size(), false));
  std::string rule;
  for (size_t k = 0; k < width.size(); ++k) rule += (k ? "-+-" : "") + std::string(width[k], '-');
  out_ << rule << "\n";
  for (const auto& r : rows_) {
    std::vector<std::string> cells;
    for (const Cell& c : r) cells.push_back(c.null ? "" : c.text);
    line(cells, right);
  }
  if (count_line) out_ << "(" << rows_.size() << (rows_.size() == 1 ? " row)" : " rows)") << "\n";
  rows_.clear();
}

}  // namespace oraemb_client
