#include "platform/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(QuoteArgument, QuotesOnlyWhatTheRuntimeWouldSplitOrStrip) {
  const struct {
    const char* argument;
    const char* quoted;
  } cases[] = {
      {"-x", "-x"},
      {"C:\\dir\\file", "C:\\dir\\file"},
      {"", "\"\""},
      {"b c", "\"b c\""},
      {"tab\there", "\"tab\there\""},
      {"say \"hi\"", "\"say \\\"hi\\\"\""},
      {"a\\\"b", "\"a\\\\\\\"b\""},
      {"dir\\ with\\", "\"dir\\ with\\\\\""},
      {"x\" -inject", "\"x\\\" -inject\""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(quote_argument(c.argument), c.quoted) << c.argument;
}

TEST(JoinArguments, SplitsBackToTheSameArguments) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"-x", "y"},
      {"a", "b c"},
      {"", "", "x"},
      {"\"", "\\", "\\\\\"", "a\\\\"},
      {"x\" \"-evil", "ends with\\"},
      {"\xc3\xa4pfel", "\xe6\x97\xa5\xe6\x9c\xac \xe8\xaa\x9e"},
      {"line\nbreak", "v\vtab\t"},
  };
  for (const auto& arguments : cases)
    EXPECT_EQ(split_command_line(join_arguments(arguments)), arguments)
        << join_arguments(arguments);
}

TEST(SplitCommandLine, FollowsTheRuntimeRules) {
  const struct {
    const char* line;
    std::vector<std::string> arguments;
  } cases[] = {
      {"", {}},
      {"  a \t b  ", {"a", "b"}},
      {"\"a b\" c", {"a b", "c"}},
      {"a\\\\b", {"a\\\\b"}},
      {"a\\\\\"b c\"", {"a\\b c"}},
      {"a\\\"b", {"a\"b"}},
      {"\"\"", {""}},
      {"\"a\"\"b\"", {"a\"b"}},
      {"x\"y z\"w", {"xy zw"}},
      {"\"unterminated arg", {"unterminated arg"}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(split_command_line(c.line), c.arguments) << c.line;
}

}  // namespace
