// End-to-end cases: the real starter, copied into an install directory of
// its own, run as a black box.  Natively that is kivo; for the Windows build
// it is kivo.exe run through a launcher such as scripts/wine.sh, and every
// path the starter writes is one Windows sees.
//
// Environment: KIVO_E2E_STARTER (kivo or kivo.exe), KIVO_E2E_APP (fake_app,
// which records how it was started), and optionally KIVO_E2E_LAUNCHER (a
// program run as "LAUNCHER prog.exe args...").  KIVO_E2E_HOLDER
// (hold_file.exe) is set for the Windows build; no case needs it yet.
// Without the first two every case is skipped.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <ostream>
#include <regex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "testing/test_directory.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

// The builds a case runs against.
enum Platforms { kBoth, kNativeOnly, kWindowsOnly };

// What the native starter finds on PATH when it hands a file that is not a
// program to xdg-open.  The Windows build always gets our PATH: the
// launcher needs it.
enum Opener { kSystemOpener, kStubOpener, kNoOpener };

struct Outcome {
  int exit_code;
  // The log's messages in order as "[tag] text"; kListing stands for the
  // lines about the subdirectories, "{n}" for a number.
  std::vector<std::string> messages;
  // Subdirectories logged as removed and gone afterwards; everything else
  // the case created stays.
  std::vector<std::string> removed;
  // What was started, relative to the install directory: the fake app, which
  // gets the case's arguments, or with kStubOpener what xdg-open was asked to
  // open.  Empty when nothing may start.
  std::string started;
  // Logged as removed, but whether they are gone is not checked.
  std::vector<std::string> loose = {};
};

struct Case {
  const char* name;
  Platforms platforms;
  // What the install directory holds besides the starter, each relative to
  // it: "a/" a directory, "a -> b" a link to the directory b (b as written),
  // a name with "{exe}" a copy of the fake app, anything else a text file.
  // A "kivo.log/" directory keeps the log file from opening.
  std::vector<std::string> layout;
  std::optional<std::string> config;  // kivo.xml's text; none: no file
  std::vector<std::string> args;
  Outcome outcome;
  Outcome windows = {};  // for the Windows build, when it has messages
  Opener opener = kSystemOpener;
  std::string install = "install";
  int runs = 1;
};

const char kListing[] = "{listing}";
const char kRunning[] = "[info] kivo runing...";
const char kAppRun[] = "[info] app run...";
const char kParseError[] = "[error] xml parse error!";
const char kLoadFailed[] = "[error] load kivo config file fail!";
const char kTargetMissing[] = "[error] new app file not exists!";

// A configuration with the given attributes; a null one is left out.
std::string config_for(const char* version, const char* path,
                       const char* file) {
  std::string entry = "<VersionInfo";
  if (version)
    entry += std::string(" Version=\"") + version + "\"";
  if (path)
    entry += std::string(" Path=\"") + path + "\"";
  if (file)
    entry += std::string(" File=\"") + file + "\"";
  return "<KivoInfo>" + entry + "/></KivoInfo>";
}

const std::string kConfig = config_for("1.0.0.5", "1.0.0.5", "app{exe}");
const std::vector<std::string> kTwoVersions = {"1.0.0.4/app{exe}",
                                               "1.0.0.5/app{exe}"};
const Outcome kStarted = {
    0, {kRunning, kListing, kAppRun}, {"1.0.0.4"}, "1.0.0.5/app{exe}"};
const Outcome kStartedWithArgs = {
    0,
    {kRunning, kListing, "[info] kivo param:-x y", kAppRun},
    {"1.0.0.4"},
    "1.0.0.5/app{exe}"};
const Outcome kMissingTarget = {
    255, {kRunning, kListing, kTargetMissing}, {"1.0.0.4"}, ""};

// The outcome of a configuration that fails with |message|.
Outcome config_failure(const char* message) {
  return {255, {kRunning, message, kParseError}, {}, ""};
}

// Deep enough that the install directory's path passes 300 characters.
std::string long_install_name() {
  std::string name = "install";
  for (int i = 0; i < 6; ++i)
    name += "/" + std::string(50, static_cast<char>('a' + i));
  return name;
}

const Case kCases[] = {
    {"TypicalRun", kBoth, kTwoVersions, kConfig, {"-x", "y"}, kStartedWithArgs},
    {"NoArguments", kBoth, kTwoVersions, kConfig, {}, kStarted},
    {"ArgumentWithBlank",
     kBoth,
     {"1.0.0.5/app{exe}"},
     kConfig,
     {"a", "b c"},
     {0,
      {kRunning, kListing, R"([info] kivo param:a "b c")", kAppRun},
      {},
      "1.0.0.5/app{exe}"}},
    {"EmptyArgument",
     kBoth,
     {"1.0.0.5/app{exe}"},
     kConfig,
     {""},
     {0,
      {kRunning, kListing, R"([info] kivo param:"")", kAppRun},
      {},
      "1.0.0.5/app{exe}"}},
    {"QuotesAndBackslashes",
     kBoth,
     {"1.0.0.5/app{exe}"},
     kConfig,
     {"x\" -evil", "trail\\", "blank trail\\"},
     {0,
      {kRunning, kListing,
       R"([info] kivo param:"x\" -evil" trail\ "blank trail\\")", kAppRun},
      {},
      "1.0.0.5/app{exe}"}},
    {"NonAsciiArguments",
     kBoth,
     {"1.0.0.5/app{exe}"},
     kConfig,
     {"ünï", "中 文"},
     {0,
      {kRunning, kListing, R"([info] kivo param:ünï "中 文")", kAppRun},
      {},
      "1.0.0.5/app{exe}"}},

    {"ConfigMissing",
     kBoth,
     kTwoVersions,
     std::nullopt,
     {"-x"},
     config_failure(kLoadFailed)},
    {"ConfigIsDirectory",
     kBoth,
     {"1.0.0.4/app{exe}", "1.0.0.5/app{exe}", "kivo.xml/"},
     std::nullopt,
     {},
     config_failure(kLoadFailed)},
    {"ConfigEmpty", kBoth, kTwoVersions, "", {}, config_failure(kLoadFailed)},
    {"ConfigNotWellFormed",
     kBoth,
     kTwoVersions,
     "<KivoInfo><VersionInfo Version=\"1.0.0.5\"",
     {},
     config_failure(kLoadFailed)},
    {"ConfigWithoutKivoInfo",
     kBoth,
     kTwoVersions,
     "<Other><VersionInfo Version=\"1.0.0.5\" Path=\"1.0.0.5\" "
     "File=\"app{exe}\"/></Other>",
     {},
     config_failure("[error] xml root element error!")},
    {"ConfigWithoutVersionInfo",
     kBoth,
     kTwoVersions,
     "<KivoInfo><Other Version=\"1.0.0.5\"/></KivoInfo>",
     {},
     config_failure("[error] xml root tag error!")},
    {"PathEmpty",
     kBoth,
     kTwoVersions,
     config_for("1.0.0.5", "", "app{exe}"),
     {},
     config_failure("[error] xml path attribute not exist!")},
    {"PathMissing",
     kBoth,
     kTwoVersions,
     config_for("1.0.0.5", nullptr, "app{exe}"),
     {},
     config_failure("[error] xml path attribute not exist!")},
    {"VersionMissing",
     kBoth,
     kTwoVersions,
     config_for(nullptr, "1.0.0.5", "app{exe}"),
     {},
     config_failure("[error] xml version attribute not exist!")},
    {"FileMissing",
     kBoth,
     kTwoVersions,
     config_for("1.0.0.5", "1.0.0.5", nullptr),
     {},
     config_failure("[error] xml file attribute not exist!")},
    {"AllAttributesMissing",
     kBoth,
     kTwoVersions,
     config_for(nullptr, nullptr, nullptr),
     {},
     config_failure("[error] xml path attribute not exist!")},
    {"VersionAndFileMissing",
     kBoth,
     kTwoVersions,
     config_for(nullptr, "1.0.0.5", nullptr),
     {},
     config_failure("[error] xml version attribute not exist!")},

    {"NoSubdirectories",
     kBoth,
     {},
     kConfig,
     {},
     {255, {kRunning, "[error] no exe files!"}, {}, ""}},
    {"TargetMissing",
     kBoth,
     {"1.0.0.4/app{exe}", "1.0.0.5/"},
     kConfig,
     {},
     kMissingTarget},
    {"ConfiguredVersionAbsent",
     kBoth,
     {"1.0.0.4/app{exe}", "1.0.0.5/app{exe}", "1_2_3_4/"},
     config_for("1.0.0.9", "1.0.0.9", "app{exe}"),
     {},
     {255, {kRunning, kListing, kTargetMissing}, {"1.0.0.4", "1.0.0.5"}, ""}},
    {"ShellRefuses",
     kBoth,
     {"1.0.0.5/app.kivo-none"},
     config_for("1.0.0.5", "1.0.0.5", "app.kivo-none"),
     {},
     {255, {kRunning, kListing, "[info] app run error:2"}, {}, ""},
     {255, {kRunning, kListing, "[info] app run error:{n}"}, {}, ""},
     kNoOpener},
    {"FileIsDirectory",
     kNativeOnly,
     {"1.0.0.5/docs/"},
     config_for("1.0.0.5", "1.0.0.5", "docs"),
     {},
     {0, {kRunning, kListing, kAppRun}, {}, "1.0.0.5/docs"},
     {},
     kStubOpener},
    {"FileNotExecutable",
     kNativeOnly,
     {"1.0.0.4/app{exe}", "1.0.0.5/notes.txt"},
     config_for("1.0.0.5", "1.0.0.5", "notes.txt"),
     {"-x", "y"},
     {0,
      {kRunning, kListing, "[info] kivo param:-x y", kAppRun},
      {"1.0.0.4"},
      "1.0.0.5/notes.txt"},
     {},
     kStubOpener},

    // However the configured version's path is written, it stays.  A
    // backslash separates only on Windows.
    {"PathWithTrailingBackslash",
     kBoth,
     kTwoVersions,
     config_for("1.0.0.5", "1.0.0.5\\", "app{exe}"),
     {},
     kMissingTarget,
     kStarted},
    {"PathWithTrailingSlash",
     kBoth,
     kTwoVersions,
     config_for("1.0.0.5", "1.0.0.5/", "app{exe}"),
     {},
     kStarted},
    {"PathFromDotBackslash",
     kBoth,
     kTwoVersions,
     config_for("1.0.0.5", ".\\1.0.0.5", "app{exe}"),
     {},
     kMissingTarget,
     kStarted},
    {"PathFromDotSlash",
     kBoth,
     kTwoVersions,
     config_for("1.0.0.5", "./1.0.0.5", "app{exe}"),
     {},
     kStarted},
    {"PathIntoBinWithBackslash",
     kBoth,
     {"1.0.0.4/app{exe}", "1.0.0.5/bin/app{exe}"},
     config_for("1.0.0.5", "1.0.0.5\\bin", "app{exe}"),
     {},
     kMissingTarget,
     {0, {kRunning, kListing, kAppRun}, {"1.0.0.4"}, "1.0.0.5/bin/app{exe}"}},
    {"PathIntoBinWithSlash",
     kBoth,
     {"1.0.0.4/app{exe}", "1.0.0.5/bin/app{exe}"},
     config_for("1.0.0.5", "1.0.0.5/bin", "app{exe}"),
     {},
     {0, {kRunning, kListing, kAppRun}, {"1.0.0.4"}, "1.0.0.5/bin/app{exe}"}},
    {"PathDotWithVersionInFile",
     kBoth,
     kTwoVersions,
     config_for("1.0.0.5", ".", "1.0.0.5/app{exe}"),
     {},
     kStarted},

    {"NonVersionNamesStay",
     kBoth,
     {"1_2_3_4/", "20261211/", "V1.0.0.5/", "1.2.3/", "1.2.3.4.5/",
      "1.0.0.4/app{exe}", "1.0.0.5/app{exe}"},
     kConfig,
     {},
     kStarted},
    // Windows cannot name a directory with a trailing blank.
    {"TrailingBlankNameStays",
     kNativeOnly,
     {"1.0.0.5 /app{exe}", "1.0.0.4/app{exe}", "1.0.0.5/app{exe}"},
     kConfig,
     {},
     kStarted},

    // What a link points to survives the removal of a stale version.  Wine
    // shows a Unix link as a link but cannot remove it (it refuses as if the
    // directory behind were the link's content), so there the version
    // holding it may stay.
    {"LinkInsideStaleVersionNotFollowed",
     kBoth,
     {"../outside/keep.txt", "1.0.0.4/app{exe}",
      "1.0.0.4/shared -> ../../outside", "1.0.0.5/app{exe}"},
     kConfig,
     {},
     kStarted,
     {0, {kRunning, kListing, kAppRun}, {}, "1.0.0.5/app{exe}", {"1.0.0.4"}}},
    {"StaleVersionIsLink",
     kBoth,
     {"../outside/keep.txt", "1.0.0.3 -> ../outside", "1.0.0.5/app{exe}"},
     kConfig,
     {},
     {0, {kRunning, kListing, kAppRun}, {"1.0.0.3"}, "1.0.0.5/app{exe}"},
     {0, {kRunning, kListing, kAppRun}, {}, "1.0.0.5/app{exe}", {"1.0.0.3"}}},

    // Starting a target past MAX_PATH is native-only: kivo.exe hands the shell
    // the target's 8.3 form, but Wine 8's CreateProcess then loses the program
    // name (its trace shows a garbled image path).  The cleanup row covers the
    // Windows build past MAX_PATH.
    {"LongInstallPath",
     kNativeOnly,
     kTwoVersions,
     kConfig,
     {"-x", "y"},
     kStartedWithArgs,
     {},
     kSystemOpener,
     long_install_name()},
    {"LongInstallPathCleanup",
     kBoth,
     {"1.0.0.4/app{exe}", "1.0.0.5/sub/app{exe}", "logs/"},
     config_for("1.0.0.9", "1.0.0.9", "app{exe}"),
     {},
     {255, {kRunning, kListing, kTargetMissing}, {"1.0.0.4", "1.0.0.5"}, ""},
     {},
     kSystemOpener,
     long_install_name()},
    {"LongTargetPath",
     kNativeOnly,
     {"1.0.0.4/" + std::string(150, 'x') + "/" + std::string(100, 'y') +
          "/app{exe}",
      "1.0.0.5/" + std::string(150, 'x') + "/app{exe}"},
     config_for("1.0.0.5", ("1.0.0.5/" + std::string(150, 'x')).c_str(),
                "app{exe}"),
     {"-x", "y"},
     {0,
      {kRunning, kListing, "[info] kivo param:-x y", kAppRun},
      {"1.0.0.4"},
      "1.0.0.5/" + std::string(150, 'x') + "/app{exe}"},
     {},
     kSystemOpener,
     "install-" + std::string(120, 'i')},
    {"NonAsciiInstallDirAndFile",
     kBoth,
     {"1.0.0.4/app{exe}", "1.0.0.5/äpp{exe}"},
     config_for("1.0.0.5", "1.0.0.5", "äpp{exe}"),
     {"-x", "y"},
     {0,
      {kRunning, kListing, "[info] kivo param:-x y", kAppRun},
      {"1.0.0.4"},
      "1.0.0.5/äpp{exe}"},
     {},
     kSystemOpener,
     "安装目录-ünï"},
    {"SecondRunReplacesLog",
     kBoth,
     {"1.0.0.5/app{exe}"},
     kConfig,
     {"-x", "y"},
     {0,
      {kRunning, kListing, "[info] kivo param:-x y", kAppRun},
      {},
      "1.0.0.5/app{exe}"},
     {},
     kSystemOpener,
     "install",
     2},
    {"LogBlockedStartsOnConsole",
     kBoth,
     {"1.0.0.4/app{exe}", "1.0.0.5/app{exe}", "kivo.log/"},
     kConfig,
     {"-x", "y"},
     kStartedWithArgs},
    {"LogBlockedFailsOnConsole",
     kBoth,
     {"1.0.0.5/app{exe}", "kivo.log/"},
     std::nullopt,
     {},
     config_failure(kLoadFailed)},
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

// ---- Environment ---------------------------------------------------------

std::string environment_value(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

fs::path starter_binary() { return environment_value("KIVO_E2E_STARTER"); }

fs::path fake_app_binary() { return environment_value("KIVO_E2E_APP"); }

// The launcher as given; a name without a slash is looked up on PATH.
std::string launcher() {
  std::string value = environment_value("KIVO_E2E_LAUNCHER");
  if (value.find('/') == std::string::npos)
    return value;
  return fs::absolute(value).string();
}

bool windows_mode() {
  const std::string name = starter_binary().filename().string();
  return name.size() > 4 && name.compare(name.size() - 4, 4, ".exe") == 0;
}

char separator() { return windows_mode() ? '\\' : '/'; }

// |path| as the starter names it: natively as it is; under Wine on drive Z:,
// which maps the Unix root, with backslashes.
std::string as_seen(const fs::path& path) {
  std::string text = path.string();
  if (!windows_mode())
    return text;
  std::replace(text.begin(), text.end(), '/', '\\');
  return "Z:" + text;
}

// |text| with "{exe}" made the build's executable suffix.
std::string expand(std::string text) {
  const std::string marker = "{exe}";
  for (size_t at; (at = text.find(marker)) != std::string::npos;)
    text.replace(at, marker.size(), windows_mode() ? ".exe" : "");
  return text;
}

// ---- Running the starter -------------------------------------------------

std::vector<char*> pointers(std::vector<std::string>& strings) {
  std::vector<char*> result;
  result.reserve(strings.size() + 1);
  for (std::string& s : strings)
    result.push_back(&s[0]);
  result.push_back(nullptr);
  return result;
}

// Our environment with PATH replaced by |path|, unless that is empty.
std::vector<std::string> environment_with_path(const std::string& path) {
  std::vector<std::string> result;
  for (char** entry = environ; *entry; ++entry)
    if (path.empty() || std::strncmp(*entry, "PATH=", 5) != 0)
      result.push_back(*entry);
  if (!path.empty())
    result.push_back("PATH=" + path);
  return result;
}

// Waits for |pid| to end, at most five minutes (a first Wine start builds its
// prefix).  Returns its exit status, or -1 when it did not exit by itself.
int wait_for_exit(pid_t pid) {
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::minutes(5);
  for (;;) {
    int status = 0;
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid)
      return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (done < 0 || std::chrono::steady_clock::now() > deadline) {
      ADD_FAILURE() << "the starter did not exit; killed";
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

// Runs |command| in |cwd| with |environment|, standard input empty and
// standard output and error into the files "stdout" and "stderr" in |cwd|,
// and waits for it.  Returns its exit status, or -1.
int run_and_wait(std::vector<std::string> command, const fs::path& cwd,
                 std::vector<std::string> environment) {
  const std::string out = (cwd / "stdout").string();
  const std::string err = (cwd / "stderr").string();
  const int create = O_WRONLY | O_CREAT | O_TRUNC;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), create, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), create, 0644);
  posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
  pid_t pid = 0;
  const int error =
      posix_spawnp(&pid, command[0].c_str(), &actions, nullptr,
                   pointers(command).data(), pointers(environment).data());
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) {
    ADD_FAILURE() << "cannot start " << command[0] << ": "
                  << std::strerror(error);
    return -1;
  }
  return wait_for_exit(pid);
}

// Runs the starter with |args| in |cwd|, through the launcher when there is
// one, with PATH set to |path| unless that is empty.
int run_starter(const fs::path& starter, const std::vector<std::string>& args,
                const fs::path& cwd, const std::string& path) {
  std::vector<std::string> command;
  if (!launcher().empty())
    command.push_back(launcher());
  command.push_back(starter.string());
  command.insert(command.end(), args.begin(), args.end());
  return run_and_wait(command, cwd, environment_with_path(path));
}

// The PATH the starter runs with: on Windows always ours.
std::string path_for(Opener opener, const fs::path& root) {
  if (windows_mode() || opener == kSystemOpener)
    return std::string();
  if (opener == kNoOpener)
    return (root / "empty-bin").string();
  return (root / "stub-bin").string() + ":" + environment_value("PATH");
}

// ---- Setting up ----------------------------------------------------------

void copy_program(const fs::path& from, const fs::path& to) {
  std::error_code error;
  fs::create_directories(to.parent_path(), error);
  fs::copy_file(from, to, fs::copy_options::overwrite_existing, error);
  EXPECT_FALSE(error) << "copying " << from << ": " << error.message();
  fs::permissions(to, fs::status(from, error).permissions(), error);
}

// Creates one layout entry below |install|.
void create_entry(const fs::path& install, const std::string& entry) {
  std::error_code error;
  const size_t arrow = entry.find(" -> ");
  if (arrow != std::string::npos) {
    const fs::path link = install / entry.substr(0, arrow);
    fs::create_directories(link.parent_path(), error);
    fs::create_directory_symlink(entry.substr(arrow + 4), link, error);
  } else if (entry.back() == '/') {
    fs::create_directories(install / entry, error);
  } else if (entry.find("{exe}") != std::string::npos) {
    copy_program(fake_app_binary(), install / expand(entry));
  } else {
    write_file(install / entry, "not a program\n");
  }
  EXPECT_FALSE(error) << "creating " << entry << ": " << error.message();
}

// The starter, its configuration and the case's layout in |install|, and the
// directories PATH may name in |root|.
void set_up(const fs::path& root, const fs::path& install, const Case& c) {
  std::error_code error;
  fs::create_directories(install, error);
  fs::create_directories(root / "empty-bin", error);
  copy_program(starter_binary(), install / starter_binary().filename());
  copy_program(fake_app_binary(), root / "stub-bin" / "xdg-open");
  if (c.config)
    write_file(install / "kivo.xml", expand(*c.config));
  for (const std::string& entry : c.layout)
    create_entry(install, entry);
}

// The names of |dir|'s subdirectories, links followed, sorted.
std::vector<std::string> subdirectory_names(const fs::path& dir) {
  std::vector<std::string> names;
  std::error_code error;
  for (fs::directory_iterator it(dir, error), end; !error && it != end;
       it.increment(error))
    if (fs::is_directory(it->path(), error))
      names.push_back(it->path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// ---- Checking ------------------------------------------------------------

bool contains(const std::vector<std::string>& list, const std::string& item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

bool starts_with(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

const char kFileLine[] = "[info] the file path:";
const char kRemoveLine[] = "[info] remove file path:";

// |messages| with the run of subdirectory lines put in order of path, each
// "remove" line staying behind its "the file path" line: listing order is
// the file system's.
std::vector<std::string> sort_listing(std::vector<std::string> messages) {
  auto begin = std::find_if(messages.begin(), messages.end(),
                            [](auto& m) { return starts_with(m, kFileLine); });
  std::vector<std::vector<std::string>> groups;
  auto end = begin;
  for (; end != messages.end(); ++end) {
    if (starts_with(*end, kFileLine))
      groups.push_back({*end});
    else if (starts_with(*end, kRemoveLine))
      groups.back().push_back(*end);
    else
      break;
  }
  std::sort(groups.begin(), groups.end());
  std::vector<std::string> sorted(messages.begin(), begin);
  for (const auto& group : groups)
    sorted.insert(sorted.end(), group.begin(), group.end());
  sorted.insert(sorted.end(), end, messages.end());
  return sorted;
}

// The expected messages: kListing made one line per subdirectory in
// |subdirectories| of |install|, each removed one followed by its removal.
std::vector<std::string> expected_messages(
    const Outcome& outcome, const fs::path& install,
    const std::vector<std::string>& subdirectories) {
  std::vector<std::string> messages;
  for (const std::string& message : outcome.messages) {
    if (message != kListing) {
      messages.push_back(message);
      continue;
    }
    for (const std::string& name : subdirectories) {
      const std::string path = as_seen(install) + separator() + name;
      messages.push_back(kFileLine + path);
      if (contains(outcome.removed, name) || contains(outcome.loose, name))
        messages.push_back(kRemoveLine + path);
    }
  }
  return sort_listing(messages);
}

// Each actual message that fits its expected one's "{n}" made equal to it,
// so that a comparison shows only real differences.
void match_numbers(const std::vector<std::string>& expected,
                   std::vector<std::string>* actual) {
  for (size_t i = 0; i < expected.size() && i < actual->size(); ++i) {
    const size_t at = expected[i].find("{n}");
    if (at == std::string::npos)
      continue;
    const std::string prefix = expected[i].substr(0, at);
    const std::string suffix = expected[i].substr(at + 3);
    const std::string& line = (*actual)[i];
    if (line.size() <= prefix.size() + suffix.size() ||
        !starts_with(line, prefix) ||
        line.compare(line.size() - suffix.size(), suffix.size(), suffix) != 0)
      continue;
    const std::string number =
        line.substr(prefix.size(), line.size() - prefix.size() - suffix.size());
    if (number.find_first_not_of("0123456789") == std::string::npos)
      (*actual)[i] = expected[i];
  }
}

void expect_messages(const std::vector<std::string>& expected,
                     std::vector<std::string> actual, const char* where) {
  actual = sort_listing(actual);
  match_numbers(expected, &actual);
  EXPECT_EQ(expected, actual) << where;
}

// |text| cut into lines at "\n", which must end the last line too.
std::vector<std::string> split_lines(const std::string& text,
                                     const char* where) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos;
       start = end + 1)
    lines.push_back(text.substr(start, end - start));
  EXPECT_EQ(start, text.size()) << where << ": last line not ended";
  return lines;
}

// |line| without the "\r" that ends it before the "\n" on Windows; fails
// when the line ends otherwise.
std::string without_line_end(std::string line, const char* where) {
  const bool crlf = !line.empty() && line.back() == '\r';
  EXPECT_EQ(windows_mode(), crlf) << where << ": line end of " << line;
  if (crlf)
    line.pop_back();
  EXPECT_EQ(line.find('\r'), std::string::npos) << where << ": " << line;
  return line;
}

// The messages of the log file as "[tag] text", each line's form checked.
std::vector<std::string> log_messages(const fs::path& log) {
  static const std::regex line_form(
      R"(\d\d:\d\d:\d\d\.\d\d\d:  (\[(debug|info|warning|error)\] .*))");
  std::vector<std::string> messages;
  for (const std::string& line : split_lines(read_file(log), "kivo.log")) {
    std::smatch match;
    const std::string bare = without_line_end(line, "kivo.log");
    if (std::regex_match(bare, match, line_form))
      messages.push_back(match[1]);
    else
      ADD_FAILURE() << "kivo.log line out of form: " << bare;
  }
  return messages;
}

// The messages of console output as "[tag] text", line ends as in the log.
// Under a launcher, lines not of the console's form are the launcher's own
// and are passed over.
std::vector<std::string> console_messages(const fs::path& file,
                                          const char* where) {
  static const std::regex line_form(R"((debug|info|warning|error): (.*))");
  std::vector<std::string> messages;
  for (const std::string& line : split_lines(read_file(file), where)) {
    std::string bare = line;
    if (!bare.empty() && bare.back() == '\r')
      bare.pop_back();
    std::smatch match;
    if (std::regex_match(bare, match, line_form)) {
      without_line_end(line, where);
      messages.push_back("[" + match[1].str() + "] " + match[2].str());
    } else if (launcher().empty()) {
      ADD_FAILURE() << where << " line out of form: " << line;
    }
  }
  return messages;
}

// With the log file blocked, errors go to standard error after the notice
// that the log could not open, and everything else to standard output.
void expect_console(const std::vector<std::string>& expected,
                    const fs::path& root) {
  std::vector<std::string> out;
  std::vector<std::string> err = {"[error] Failed to open log file"};
  for (const std::string& message : expected)
    (starts_with(message, "[error]") ? err : out).push_back(message);
  expect_messages(out, console_messages(root / "stdout", "stdout"), "stdout");
  expect_messages(err, console_messages(root / "stderr", "stderr"), "stderr");
}

// The path of a layout entry and its first component.
std::string entry_path(const std::string& entry) {
  std::string path = expand(entry.substr(0, entry.find(" -> ")));
  if (path.back() == '/')
    path.pop_back();
  return path;
}

std::string first_component(const std::string& path) {
  return path.substr(0, path.find('/'));
}

// Removed subdirectories are gone, with all they held; every other entry of
// the layout is still there.
void expect_layout(const fs::path& install, const Case& c,
                   const Outcome& outcome) {
  for (const std::string& entry : c.layout) {
    const std::string path = entry_path(entry);
    const std::string top = first_component(path);
    if (contains(outcome.loose, top))
      continue;
    std::error_code error;
    const bool present = fs::exists(fs::symlink_status(install / path, error));
    EXPECT_EQ(!contains(outcome.removed, top), present) << path;
  }
}

// Waits until |file| exists, at most |seconds|; false when it never did.
bool wait_for_file(const fs::path& file, int seconds) {
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  std::error_code error;
  while (!fs::exists(file, error)) {
    if (std::chrono::steady_clock::now() > deadline)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

// The items a started program recorded in |file|, once it has; none when it
// has not after 30 s.
std::optional<std::vector<std::string>> wait_for_record(const fs::path& file) {
  if (!wait_for_file(file, 30))
    return std::nullopt;
  std::vector<std::string> items;
  const std::string text = read_file(file);
  for (size_t start = 0, end; (end = text.find('\0', start)) != text.npos;
       start = end + 1)
    items.push_back(text.substr(start, end - start));
  return items;
}

// Where the started program's record lands, and what it must hold: the
// starter's working directory, then the arguments.
fs::path record_file(const Case& c, const Outcome& outcome,
                     const fs::path& root, const fs::path& install) {
  if (c.opener == kStubOpener && !windows_mode())
    return root / "stub-bin" / "received";
  return (install / expand(outcome.started)).parent_path() / "received";
}

std::vector<std::string> expected_record(const Case& c, const Outcome& outcome,
                                         const fs::path& root,
                                         const fs::path& install) {
  std::vector<std::string> items = {as_seen(root)};
  if (c.opener == kStubOpener && !windows_mode())
    items.push_back(as_seen(install) + separator() + outcome.started);
  else
    items.insert(items.end(), c.args.begin(), c.args.end());
  return items;
}

// No record anywhere: nothing was started.
void expect_nothing_started(const fs::path& root) {
  std::error_code error;
  for (fs::recursive_directory_iterator it(root, error), end;
       !error && it != end; it.increment(error))
    EXPECT_NE(it->path().filename(), "received") << it->path();
}

// ---- The cases -----------------------------------------------------------

class EndToEnd : public testing::TestWithParam<Case> {};

TEST_P(EndToEnd, Run) {
  const Case& c = GetParam();
  if (starter_binary().empty() || fake_app_binary().empty())
    GTEST_SKIP() << "KIVO_E2E_STARTER and KIVO_E2E_APP are not set";
  if (c.platforms == (windows_mode() ? kNativeOnly : kWindowsOnly))
    GTEST_SKIP() << "not a case for this build";
  const Outcome& expected =
      windows_mode() && !c.windows.messages.empty() ? c.windows : c.outcome;
  const fs::path root = fs::canonical(test_directory());
  const fs::path install = root / c.install;
  ASSERT_NO_FATAL_FAILURE(set_up(root, install, c));
  const fs::path record = record_file(c, expected, root, install);

  std::vector<std::string> subdirectories;
  for (int run = 1; run <= c.runs; ++run) {
    SCOPED_TRACE("run " + std::to_string(run));
    std::error_code error;
    fs::remove(record, error);
    subdirectories = subdirectory_names(install);
    EXPECT_EQ(expected.exit_code,
              run_starter(install / starter_binary().filename(), c.args, root,
                          path_for(c.opener, root)));
    if (!expected.started.empty()) {
      EXPECT_EQ(expected_record(c, expected, root, install),
                wait_for_record(record))
          << "what " << expected.started << " was started with";
    }
  }

  const std::vector<std::string> messages =
      expected_messages(expected, install, subdirectories);
  if (contains(c.layout, "kivo.log/"))
    expect_console(messages, root);
  else
    expect_messages(messages, log_messages(install / "kivo.log"), "kivo.log");
  expect_layout(install, c, expected);
  if (expected.started.empty())
    expect_nothing_started(root);
}

std::string case_name(const testing::TestParamInfo<Case>& row) {
  return row.param.name;
}

INSTANTIATE_TEST_SUITE_P(Cases, EndToEnd, testing::ValuesIn(kCases), case_name);

// ---- What only the Windows build has ---------------------------------------

// kivo.exe under a launcher, in an install directory of the test's own.
class WindowsBuild : public testing::Test {
 protected:
  void SetUp() override {
    if (!windows_mode() || launcher().empty())
      GTEST_SKIP() << "for kivo.exe under a launcher only";
    root = fs::canonical(test_directory());
    install = root / "install";
  }
  // The starter, the typical configuration and |layout|.
  void set_up_install(const std::vector<std::string>& layout) {
    const Case c = {"windows", kWindowsOnly, layout, kConfig, {}, {}};
    set_up(root, install, c);
  }
  fs::path root;
  fs::path install;
};

// What Wine's debug channel shows of each OutputDebugStringA text, its
// escapes undone.
std::vector<std::string> debugger_texts(const fs::path& wine_output) {
  static const std::regex line_form(
      R"re(.*:debugstr:OutputDebugStringA "(.*)"\r?)re");
  std::vector<std::string> texts;
  std::smatch match;
  for (const std::string& line : split_lines(read_file(wine_output), "wine")) {
    if (!std::regex_match(line, match, line_form))
      continue;
    std::string text;
    const std::string escaped = match[1];
    for (size_t i = 0; i < escaped.size(); ++i) {
      const bool escape = escaped[i] == '\\' && i + 1 < escaped.size();
      text += !escape ? escaped[i] : escaped[++i] == 'n' ? '\n' : escaped[i];
    }
    texts.push_back(text);
  }
  return texts;
}

TEST_F(WindowsBuild, EchoesEveryMessageToTheDebuggerInOrder) {
  ASSERT_NO_FATAL_FAILURE(set_up_install(kTwoVersions));
  std::vector<std::string> environment = environment_with_path("");
  environment.push_back("WINEDEBUG=-all,+debugstr");
  EXPECT_EQ(0, run_and_wait({launcher(), (install / "kivo.exe").string(), "-x"},
                            root, environment));
  std::vector<std::string> expected;
  for (const std::string& message : log_messages(install / "kivo.log"))
    expected.push_back(message.substr(message.find("] ") + 2) + "\n");
  ASSERT_EQ(expected.size(), 6U);
  EXPECT_EQ(expected, debugger_texts(root / "stderr"));
}

// Starts |command| in the background; returns its process id, or 0.
pid_t start_in_background(std::vector<std::string> command) {
  std::vector<std::string> environment = environment_with_path("");
  pid_t pid = 0;
  const int error =
      posix_spawnp(&pid, command[0].c_str(), nullptr, nullptr,
                   pointers(command).data(), pointers(environment).data());
  return error == 0 ? pid : 0;
}

// A stale version in use: the holder keeps |held| open without sharing,
// itself running from |holder_at| (both relative to the install directory).
struct InUseCase {
  const char* name;
  const char* holder_at;
  const char* held;
};

TEST_F(WindowsBuild, LeavesAVersionInUseWholeAndRemovesItOnceFree) {
  const InUseCase cases[] = {
      {"a file held open", "", "1.0.0.4/b/held.txt"},
      {"a program running from it", "1.0.0.4/b/", "outside.txt"},
  };
  const std::vector<std::string> layout = {
      "1.0.0.4/a.txt",      "1.0.0.4/b/c.txt",  "1.0.0.4/b/held.txt",
      "1.0.0.4/z/last.txt", "1.0.0.5/app{exe}", "outside.txt"};
  ASSERT_NO_FATAL_FAILURE(set_up_install(layout));
  const fs::path holder = environment_value("KIVO_E2E_HOLDER");
  if (holder.empty())
    GTEST_SKIP() << "KIVO_E2E_HOLDER is not set";
  for (const InUseCase& c : cases) {
    SCOPED_TRACE(c.name);
    for (const std::string& entry : layout)
      if (!fs::exists(install / expand(entry)))
        create_entry(install, entry);
    const fs::path running = install / c.holder_at / holder.filename();
    copy_program(holder, running);
    std::error_code error;
    fs::remove(root / "ready", error);
    fs::remove(root / "release", error);
    const pid_t held = start_in_background(
        {launcher(), running.string(), as_seen(install / c.held),
         as_seen(root / "ready"), as_seen(root / "release")});
    ASSERT_NE(held, 0);
    ASSERT_TRUE(wait_for_file(root / "ready", 60))
        << "the holder never got ready";

    EXPECT_EQ(0, run_starter(install / "kivo.exe", {}, root, ""));
    for (const std::string& entry : layout)
      EXPECT_TRUE(fs::exists(install / expand(entry))) << entry << " went";
    EXPECT_TRUE(wait_for_record(install / "1.0.0.5" / "received"));

    write_file(root / "release", "");
    int status = 0;
    waitpid(held, &status, 0);
    EXPECT_EQ(0, run_starter(install / "kivo.exe", {}, root, ""));
    EXPECT_FALSE(fs::exists(install / "1.0.0.4"));
    EXPECT_TRUE(fs::exists(install / expand("1.0.0.5/app{exe}")));
  }
}

}  // namespace
