#include "starter/starter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "testing/captured_log.h"
#include "testing/test_directory.h"

namespace {

const char kError[] = "3|";

struct ConfigCase {
  const char* name;
  const char* xml;  // null: no kivo.xml at all; kDirectory: a directory
  const char* message;
};

const char kDirectory[] = "<directory>";

TEST(LoadConfig, FailsWithOneMessageAndLeavesTargetInfoAlone) {
  const ConfigCase cases[] = {
      {"missing file", nullptr, "load kivo config file fail!"},
      {"directory in its place", kDirectory, "load kivo config file fail!"},
      {"empty file", "", "load kivo config file fail!"},
      {"not well-formed", "<KivoInfo><VersionInfo></KivoInfo>",
       "load kivo config file fail!"},
      {"other root", "<Other/>", "xml root element error!"},
      {"root in other case", "<kivoinfo><VersionInfo/></kivoinfo>",
       "xml root element error!"},
      {"no entry", "<KivoInfo><Version Path='a'/></KivoInfo>",
       "xml root tag error!"},
      {"path and version missing",
       "<KivoInfo><VersionInfo File='a'/></KivoInfo>",
       "xml path attribute not exist!"},
      {"path empty",
       "<KivoInfo><VersionInfo Path='' Version='1' File='a'/></KivoInfo>",
       "xml path attribute not exist!"},
      {"version empty",
       "<KivoInfo><VersionInfo Path='p' Version='' File='a'/></KivoInfo>",
       "xml version attribute not exist!"},
      {"file missing",
       "<KivoInfo><VersionInfo Path='p' Version='1'/></KivoInfo>",
       "xml file attribute not exist!"},
      {"only the first entry counts",
       "<KivoInfo><VersionInfo Path='p' Version='1'/>"
       "<VersionInfo Path='p' Version='1' File='a'/></KivoInfo>",
       "xml file attribute not exist!"},
      {"attribute names match case",
       "<KivoInfo><VersionInfo path='p' Version='1' File='a'/></KivoInfo>",
       "xml path attribute not exist!"},
  };
  for (const ConfigCase& c : cases) {
    const std::string dir = (test_directory() / c.name).u8string();
    if (c.xml == kDirectory)
      std::filesystem::create_directories(test_directory() / c.name /
                                          "kivo.xml");
    else if (c.xml)
      write_file(test_directory() / c.name / "kivo.xml", c.xml);
    TargetInfo = {"old version", "old path", "old file", ""};
    CapturedLog log;
    EXPECT_FALSE(load_config_from(dir)) << c.name;
    EXPECT_EQ(log.lines,
              std::vector<std::string>{kError + std::string(c.message)})
        << c.name;
    EXPECT_EQ(TargetInfo.version + TargetInfo.path + TargetInfo.file,
              "old versionold pathold file")
        << c.name;
  }
}

TEST(LoadConfig, ReadsTheFirstEntryAsUtf8WhateverTheDeclarationSays) {
  write_file(test_directory() / "kivo.xml",
             "\xEF\xBB\xBF<?xml version='1.0' encoding='ISO-8859-1'?>\n"
             "<!-- comment --><Other/>\n"
             "<KivoInfo note='x'><VersionInfo Version=' 1.0.0.5 ' "
             "Path='1.0.0.5' File='\xC3\xA4pp &amp; co.exe' Extra='y'/>"
             "<VersionInfo Version='9' Path='9' File='9'/></KivoInfo>\n");
  CapturedLog log;
  ASSERT_TRUE(load_config_from(test_directory().u8string()));
  EXPECT_TRUE(log.lines.empty());
  EXPECT_EQ(TargetInfo.version, " 1.0.0.5 ");
  EXPECT_EQ(TargetInfo.path, "1.0.0.5");
  EXPECT_EQ(TargetInfo.file, "\xC3\xA4pp & co.exe");
}

}  // namespace
