#pragma once

#include <cctype>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace kv::test {

// Bytes from text of whitespace-separated two-digit hex numbers; `#` starts a comment that runs
// to the end of the line. Throws std::runtime_error on anything else, so a broken fixture fails
// the test instead of giving fewer bytes.
inline std::vector<uint8_t> HexBytes(const std::string& text) {
  std::vector<uint8_t> bytes;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream words(line.substr(0, line.find('#')));
    std::string word;
    while (words >> word) {
      if (word.size() != 2 || !std::isxdigit(static_cast<unsigned char>(word[0])) ||
          !std::isxdigit(static_cast<unsigned char>(word[1]))) {
        throw std::runtime_error("bad hex byte '" + word + "'");
      }
      bytes.push_back(static_cast<uint8_t>(std::stoul(word, nullptr, 16)));
    }
  }
  return bytes;
}

// The bytes of a fixture file under tests/fixtures written as HexBytes reads them.
inline std::vector<uint8_t> ReadHexFixture(const std::string& relative) {
  std::ifstream in(std::string(KV_TEST_FIXTURES) + "/" + relative);
  if (!in) throw std::runtime_error("cannot open fixture " + relative);
  std::ostringstream text;
  text << in.rdbuf();
  return HexBytes(text.str());
}

}  // namespace kv::test
