// Tests of error names: every constant declared in kova_errors.h, read from
// the header's text, has its own identifier as its name.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "kova_errors.h"

namespace {

TEST(ErrName, NamesEveryDeclaredConstant) {
  std::ifstream in(std::string(BRANTEL_FIXTURES_DIR) + "/../../kova/kova_errors.h");
  ASSERT_TRUE(in.good());
  std::stringstream text;
  text << in.rdbuf();
  std::string src = text.str();
  std::regex decl(R"(inline constexpr Err (ERR_[A-Z_]+) = (?:Err\()?(0x[0-9A-Fa-f]+|0)\)?;)");
  std::set<int> codes;
  int count = 0;
  for (std::sregex_iterator it(src.begin(), src.end(), decl), end; it != end; ++it) {
    Err code = Err(std::stoul((*it)[2].str(), nullptr, 0));
    const char* name = ERR_Name(code);
    ASSERT_NE(name, nullptr) << (*it)[1];
    EXPECT_EQ(std::string(name), (*it)[1].str());
    EXPECT_TRUE(codes.insert(code).second) << "two constants share " << (*it)[2];
    count++;
  }
  EXPECT_GE(count, 30);  // the parse found the table
}

TEST(ErrName, UnknownCodeHasNoName) {
  EXPECT_EQ(ERR_Name(Err(0xF2FF)), nullptr);
  EXPECT_EQ(ERR_Name(1), nullptr);
}

}  // namespace
