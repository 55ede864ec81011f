#include "platform/posix/network_posix.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <vector>

#include "platform/native_network.h"

namespace kx::platform {
namespace {

constexpr const char* kHelperLocations[] = {"/sbin/mount.cifs", "/usr/sbin/mount.cifs"};
constexpr const char* kProviderName = "CIFS";
// Enough for any message the helper writes; the rest is read and dropped so
// that the helper never blocks on a full pipe.
constexpr size_t kMaxOutput = 4096;
// What a child that could not execute the helper exits with.
constexpr int kExecFailed = 127;

// The error number of the helper's "mount error(N): ..." line, or -1.
int mount_errno(const std::string& output) {
  const std::string marker = "mount error(";
  const size_t at = output.find(marker);
  if (at == std::string::npos) return -1;
  int value = 0;
  size_t i = at + marker.size();
  const size_t start = i;
  while (i < output.size() && i - start < 6 &&
         std::isdigit(static_cast<unsigned char>(output[i]))) {
    value = value * 10 + (output[i] - '0');
    ++i;
  }
  return i > start && i < output.size() && output[i] == ')' ? value : -1;
}

std::optional<uint32_t> result_for_errno(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
    case EKEYEXPIRED:
    case EKEYREJECTED:
      return kNetInvalidPassword;
    case ENOENT:
    case ENXIO:
    case EHOSTDOWN:
    case EHOSTUNREACH:
    case ECONNREFUSED:
    case ETIMEDOUT:
      return kNetBadNetName;
    case EBUSY:
      return kNetBusy;
    case ENODEV:
    case ENETDOWN:
    case ENETUNREACH:
      return kNetNoNetwork;
    default:
      return std::nullopt;
  }
}

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool contains_any(const std::string& text, std::initializer_list<const char*> words) {
  return std::any_of(words.begin(), words.end(),
                     [&](const char* w) { return text.find(w) != std::string::npos; });
}

enum class LocalState { kUnusable, kFolder, kMountPoint };

// A folder whose device differs from its parent's, or that is its own parent
// (the root), is a mount point.
LocalState local_state(const std::string& local) {
  struct stat own;
  if (local.empty() || ::stat(local.c_str(), &own) != 0 || !S_ISDIR(own.st_mode)) {
    return LocalState::kUnusable;
  }
  struct stat parent;
  if (::stat((local + "/..").c_str(), &parent) != 0) return LocalState::kFolder;
  const bool mounted = own.st_dev != parent.st_dev || own.st_ino == parent.st_ino;
  return mounted ? LocalState::kMountPoint : LocalState::kFolder;
}

// The helper has no reason to echo the password; should one ever do so, it
// still never reaches the extended error text.
std::string without_password(std::string text, const std::optional<std::string>& password) {
  if (!password || password->empty()) return text;
  const std::string mask = "********";
  for (size_t at = text.find(*password); at != std::string::npos;
       at = text.find(*password, at + mask.size())) {
    text.replace(at, password->size(), mask);
  }
  return text;
}

struct HelperRun {
  bool started = false;
  bool exited = false;
  int status = 0;
  std::string output;
};

std::vector<char*> pointers(std::vector<std::string>* strings) {
  std::vector<char*> result;
  for (std::string& s : *strings) result.push_back(s.data());
  result.push_back(nullptr);
  return result;
}

// Puts fd on target in the child; only async-signal-safe calls.
void move_fd(int fd, int target) {
  if (fd == target) {
    ::fcntl(fd, F_SETFD, 0);
  } else {
    ::dup2(fd, target);
  }
}

void read_all(int fd, std::string* output) {
  char buffer[512];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    const size_t room = kMaxOutput - std::min(kMaxOutput, output->size());
    output->append(buffer, std::min(room, static_cast<size_t>(n)));
  }
}

HelperRun run_helper(const std::string& path, std::vector<std::string> args,
                     std::vector<std::string> env) {
  HelperRun run;
  std::vector<char*> argv = pointers(&args);
  std::vector<char*> envp = pointers(&env);
  int pipe_fds[2];
  if (::pipe2(pipe_fds, O_CLOEXEC) != 0) return run;
  const int null_fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::setsid();
    if (null_fd >= 0) move_fd(null_fd, STDIN_FILENO);
    move_fd(pipe_fds[1], STDOUT_FILENO);
    ::dup2(STDOUT_FILENO, STDERR_FILENO);
    ::execve(path.c_str(), argv.data(), envp.data());
    ::_exit(kExecFailed);
  }
  ::close(pipe_fds[1]);
  if (null_fd >= 0) ::close(null_fd);
  if (pid < 0) {
    ::close(pipe_fds[0]);
    return run;
  }
  read_all(pipe_fds[0], &run.output);
  ::close(pipe_fds[0]);
  int wait_status = 0;
  while (::waitpid(pid, &wait_status, 0) < 0 && errno == EINTR) {
  }
  run.started = true;
  run.exited = WIFEXITED(wait_status);
  run.status = run.exited ? WEXITSTATUS(wait_status) : WTERMSIG(wait_status);
  return run;
}

}  // namespace

std::optional<std::string> cifs_service_name(const std::string& remote) {
  if (remote.size() < 2 || remote[0] != '\\' || remote[1] != '\\') return std::nullopt;
  std::string service = remote;
  std::replace(service.begin(), service.end(), '\\', '/');
  const size_t share = service.find('/', 2);
  if (share == 2 || share == std::string::npos || share + 1 >= service.size() ||
      service[share + 1] == '/') {
    return std::nullopt;
  }
  return service;
}

uint32_t cifs_result_code(int exit_status, const std::string& output) {
  if (exit_status == 0) return kNetOk;
  // The kernel's error number decides when the helper names one; the words
  // below would also match its password prompt.
  const int error = mount_errno(output);
  if (error >= 0) return result_for_errno(error).value_or(kNetExtendedError);
  const std::string text = lower(output);
  if (contains_any(text, {"could not resolve address", "unable to find suitable address",
                          "host is down", "no route to host", "bad unc"})) {
    return kNetBadNetName;
  }
  if (contains_any(text, {"permission denied", "password", "logon failure"})) {
    return kNetInvalidPassword;
  }
  if (contains_any(text, {"busy"})) return kNetBusy;
  return kNetExtendedError;
}

std::string cifs_error_text(const std::string& output) {
  std::string text;
  size_t start = 0;
  while (start < output.size()) {
    size_t end = output.find('\n', start);
    if (end == std::string::npos) end = output.size();
    std::string line = output.substr(start, end - start);
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
    if (!line.empty() && line.rfind("Refer to ", 0) != 0) {
      if (!text.empty()) text += ' ';
      text += line;
    }
    start = end + 1;
  }
  return text;
}

std::string CifsMountConnector::find_helper() const {
  if (!helper_path_.empty()) {
    return ::access(helper_path_.c_str(), X_OK) == 0 ? helper_path_ : std::string();
  }
  for (const char* location : kHelperLocations) {
    if (::access(location, X_OK) == 0) return location;
  }
  return "";
}

uint32_t CifsMountConnector::add_connection(const std::string& local, const std::string& remote,
                                            const std::optional<std::string>& user,
                                            const std::optional<std::string>& password) {
  // A folder that is already a mount point counts as connected even where
  // the helper is not installed, as a remembered Windows connection does.
  const LocalState state = local_state(local);
  if (state == LocalState::kUnusable) return kNetBadDevice;
  if (state == LocalState::kMountPoint) return kNetAlreadyAssigned;
  const std::optional<std::string> service = cifs_service_name(remote);
  if (!service) return kNetBadNetName;
  const std::string helper = find_helper();
  if (helper.empty()) return kNetNoNetwork;

  // LC_ALL=C keeps the helper's messages in the words cifs_result_code knows.
  std::vector<std::string> env = {"PATH=/usr/sbin:/usr/bin:/sbin:/bin", "LC_ALL=C"};
  if (user) env.push_back("USER=" + *user);
  if (password) env.push_back("PASSWD=" + *password);
  const HelperRun run = run_helper(helper, {helper, *service, local}, std::move(env));
  if (!run.started) return kNetNoNetwork;
  if (!run.exited) {
    last_text_ = "mount helper ended by signal " + std::to_string(run.status);
    last_code_ = static_cast<uint32_t>(run.status);
    return kNetExtendedError;
  }
  if (run.status == kExecFailed && run.output.empty()) return kNetNoNetwork;
  last_text_ = without_password(cifs_error_text(run.output), password);
  const int error = mount_errno(run.output);
  last_code_ = static_cast<uint32_t>(error >= 0 ? error : run.status);
  return cifs_result_code(run.status, run.output);
}

uint32_t CifsMountConnector::last_extended_error(uint32_t* provider_code, std::string* text,
                                                 size_t text_size, std::string* provider,
                                                 size_t provider_size) {
  // Like a character buffer of that size, each text keeps room for its zero.
  const auto fit = [](const std::string& s, size_t size) {
    return s.substr(0, size == 0 ? 0 : size - 1);
  };
  *provider_code = last_code_;
  *text = fit(last_text_, text_size);
  *provider = fit(kProviderName, provider_size);
  return kNetOk;
}

std::unique_ptr<NetworkConnector> make_native_network_connector() {
  return std::make_unique<CifsMountConnector>();
}

}  // namespace kx::platform
