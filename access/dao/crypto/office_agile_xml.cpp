// A minimal start-tag reader for the agile encryption descriptor and a base64
// decoder (see office_agile_xml.h). Every index is checked against the text
// length: the descriptor comes straight from a file.
#include "access/dao/crypto/office_agile_xml.h"

#include "access/dao/crypto/office_crypto_error.h"

namespace {

constexpr size_t kMaxElements = 256;  // the descriptor has about ten

[[noreturn]] void broken(const std::string& what) {
  throw office_crypto_error(
      office_crypto_error::damaged,
      "the agile encryption descriptor is not well-formed XML (" + what + ")");
}

bool is_space(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool ends_name(char c) {
  return is_space(c) || c == '=' || c == '>' || c == '/';
}

std::string local_name(std::string_view name) {
  const size_t colon = name.rfind(':');
  return std::string(colon == std::string_view::npos ? name : name.substr(colon + 1));
}

// The five predefined entities and numeric references below 0x80; others are kept as written.
std::string decode_value(std::string_view raw) {
  std::string out;
  for (size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] != '&') {
      out.push_back(raw[i]);
      continue;
    }
    const size_t semi = raw.find(';', i);
    if (semi == std::string_view::npos) broken("unterminated entity");
    const std::string_view entity = raw.substr(i + 1, semi - i - 1);
    if (entity == "amp")
      out.push_back('&');
    else if (entity == "lt")
      out.push_back('<');
    else if (entity == "gt")
      out.push_back('>');
    else if (entity == "quot")
      out.push_back('"');
    else if (entity == "apos")
      out.push_back('\'');
    else
      out.append(raw.substr(i, semi - i + 1));
    i = semi;
  }
  return out;
}

// Skips past the first occurrence of end at or after pos.
size_t skip_past(std::string_view xml, size_t pos, std::string_view end, const char* what) {
  const size_t at = xml.find(end, pos);
  if (at == std::string_view::npos) broken(what);
  return at + end.size();
}

}  // namespace

const std::string* office_xml_element::attribute(std::string_view local) const {
  for (const auto& [attribute_name, value] : attributes)
    if (attribute_name == local) return &value;
  return nullptr;
}

std::vector<office_xml_element> office_xml_elements(std::string_view xml) {
  std::vector<office_xml_element> elements;
  size_t pos = 0;
  while ((pos = xml.find('<', pos)) != std::string_view::npos) {
    ++pos;
    if (pos >= xml.size()) broken("text ends inside a tag");
    if (xml[pos] == '?') {
      pos = skip_past(xml, pos, "?>", "unterminated declaration");
      continue;
    }
    if (xml.substr(pos, 3) == "!--") {
      pos = skip_past(xml, pos, "-->", "unterminated comment");
      continue;
    }
    if (xml[pos] == '!' || xml[pos] == '/') {
      pos = skip_past(xml, pos, ">", "unterminated tag");
      continue;
    }
    if (elements.size() == kMaxElements) broken("too many elements");
    office_xml_element element;
    const size_t name_start = pos;
    while (pos < xml.size() && !ends_name(xml[pos])) ++pos;
    if (pos == name_start) broken("a tag without a name");
    element.name = local_name(xml.substr(name_start, pos - name_start));
    for (;;) {
      while (pos < xml.size() && is_space(xml[pos])) ++pos;
      if (pos >= xml.size()) broken("text ends inside a tag");
      if (xml[pos] == '>') {
        ++pos;
        break;
      }
      if (xml[pos] == '/') {
        if (pos + 1 >= xml.size() || xml[pos + 1] != '>') broken("a stray '/' in a tag");
        pos += 2;
        break;
      }
      const size_t attr_start = pos;
      while (pos < xml.size() && !ends_name(xml[pos])) ++pos;
      if (pos == attr_start) broken("an attribute without a name");
      std::string name = local_name(xml.substr(attr_start, pos - attr_start));
      while (pos < xml.size() && is_space(xml[pos])) ++pos;
      if (pos >= xml.size() || xml[pos] != '=') broken("an attribute without a value");
      ++pos;
      while (pos < xml.size() && is_space(xml[pos])) ++pos;
      if (pos >= xml.size() || (xml[pos] != '"' && xml[pos] != '\'')) broken("an unquoted value");
      const char quote = xml[pos++];
      const size_t end = xml.find(quote, pos);
      if (end == std::string_view::npos) broken("an unterminated value");
      element.attributes.emplace_back(std::move(name), decode_value(xml.substr(pos, end - pos)));
      pos = end + 1;
    }
    elements.push_back(std::move(element));
  }
  return elements;
}

std::optional<std::vector<uint8_t>> office_base64(std::string_view text) {
  std::vector<uint8_t> out;
  out.reserve(text.size() * 3 / 4);
  uint32_t bits = 0;
  int count = 0;
  size_t padding = 0;
  for (char c : text) {
    int value;
    if (c >= 'A' && c <= 'Z')
      value = c - 'A';
    else if (c >= 'a' && c <= 'z')
      value = c - 'a' + 26;
    else if (c >= '0' && c <= '9')
      value = c - '0' + 52;
    else if (c == '+')
      value = 62;
    else if (c == '/')
      value = 63;
    else if (c == '=') {
      ++padding;
      continue;
    } else if (is_space(c))
      continue;
    else
      return std::nullopt;
    if (padding > 0) return std::nullopt;  // data after padding
    bits = (bits << 6) | uint32_t(value);
    if (++count == 4) {
      out.push_back(uint8_t(bits >> 16));
      out.push_back(uint8_t(bits >> 8));
      out.push_back(uint8_t(bits));
      bits = 0;
      count = 0;
    }
  }
  if (padding > 2 || count == 1) return std::nullopt;
  if (count == 2) out.push_back(uint8_t(bits >> 4));
  if (count == 3) {
    out.push_back(uint8_t(bits >> 10));
    out.push_back(uint8_t(bits >> 2));
  }
  return out;
}
