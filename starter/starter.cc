#include "starter/starter.h"

#include <tinyxml.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "installdir/installdir.h"
#include "log/log.h"
#include "platform/command_line.h"
#include "platform/platform.h"

TargetRecord TargetInfo;

namespace {

// False when the file cannot be opened or read.
bool read_file(const std::string& path, std::string* text) {
  std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
  if (!in)
    return false;
  // The stream buffer throws on a read error, such as a directory standing
  // where the file should be, whatever the stream's exception mask says.
  try {
    text->assign(std::istreambuf_iterator<char>(in),
                 std::istreambuf_iterator<char>());
  } catch (const std::exception&) {
    return false;
  }
  return !in.bad();
}

// A missing attribute reads as empty.
std::string attribute(const TiXmlElement* element, const char* name) {
  const char* value = element->Attribute(name);
  return value ? value : "";
}

// Loads the document ourselves rather than through TinyXML's file loader,
// which opens the file by its narrow name and so cannot reach a path outside
// the system's code page on Windows.
bool load_document(const std::string& dir, TiXmlDocument* document) {
  std::string text;
  if (!read_file(join_path(dir, "kivo.xml"), &text))
    return false;
  // The parser steps over a whole UTF-8 sequence even where the text ends
  // inside one: the padding gives it terminators to land on.
  text.append(4, '\0');
  document->Parse(text.c_str(), nullptr, TIXML_ENCODING_UTF8);
  return !document->Error();
}

}  // namespace

bool load_config() { return load_config_from(get_module_directory()); }

bool load_config_from(const std::string& dir) {
  TiXmlDocument document;
  if (!load_document(dir, &document)) {
    log_message(LOG_ERROR, "load kivo config file fail!");
    return false;
  }
  const TiXmlElement* root = document.FirstChildElement("KivoInfo");
  if (!root) {
    log_message(LOG_ERROR, "xml root element error!");
    return false;
  }
  const TiXmlElement* entry = root->FirstChildElement("VersionInfo");
  if (!entry) {
    log_message(LOG_ERROR, "xml root tag error!");
    return false;
  }
  const std::string version = attribute(entry, "Version");
  const std::string path = attribute(entry, "Path");
  const std::string file = attribute(entry, "File");
  const char* missing = path.empty()      ? "xml path attribute not exist!"
                        : version.empty() ? "xml version attribute not exist!"
                        : file.empty()    ? "xml file attribute not exist!"
                                          : nullptr;
  if (missing) {
    log_message(LOG_ERROR, "%s", missing);
    return false;
  }
  TargetInfo.file = file;
  TargetInfo.path = path;
  TargetInfo.version = version;
  return true;
}

bool run_starter(int argc, char** argv) {
  log_message(LOG_INFO, "kivo runing...");
  const std::string directory = get_module_directory();
  // Every path below starts from here: without it nothing may be touched.
  if (directory.empty()) {
    log_message(LOG_ERROR, "module path error!");
    return false;
  }
  if (!load_config()) {
    log_message(LOG_ERROR, "xml parse error!");
    return false;
  }
  if (!remove_stale_versions(TargetInfo.path, TargetInfo.file)) {
    log_message(LOG_ERROR, "no exe files!");
    return false;
  }
  if (argc > 1) {
    TargetInfo.params =
        join_arguments(std::vector<std::string>(argv + 1, argv + argc));
    log_message(LOG_INFO, "kivo param:%s", TargetInfo.params.c_str());
  }
  const std::string target =
      join_path(join_path(directory, TargetInfo.path), TargetInfo.file);
  if (!path_exists(target)) {
    log_message(LOG_ERROR, "new app file not exists!");
    return false;
  }
  int error = 0;
  if (!platform_open(target, TargetInfo.params, &error)) {
    log_message(LOG_INFO, "app run error:%d", error);
    return false;
  }
  log_message(LOG_INFO, "app run...");
  return true;
}
