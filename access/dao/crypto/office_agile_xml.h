// Reading the agile encryption descriptor: the start tags of a small XML
// document with their attributes, and base64 values. Enough for the
// descriptor Office writes (no DTD, no CDATA, values in quotes); anything
// malformed is reported, never guessed at.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct office_xml_element {
  std::string name;  // local name: a namespace prefix ("p:") is dropped
  std::vector<std::pair<std::string, std::string>> attributes;  // local names, decoded values

  // The attribute's value, or null when absent.
  const std::string* attribute(std::string_view local_name) const;
};

// The start tags of the document in order (empty-element tags included).
// Throws office_crypto_error(damaged) on broken markup.
std::vector<office_xml_element> office_xml_elements(std::string_view xml);

// Decodes base64 (RFC 4648 alphabet, "=" padding optional, whitespace
// ignored); nullopt when the text is not base64.
std::optional<std::vector<uint8_t>> office_base64(std::string_view text);
