#include "child_process.h"

#include <cwctype>
#include <stdexcept>
#include <thread>

#include "platform/windows/wide.h"
#include "platform/windows/win32.h"

namespace norvane::testing {

namespace {

// A kernel handle, closed on every path.
class Handle {
 public:
  Handle() = default;
  explicit Handle(HANDLE h) noexcept : h_(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() { reset(); }
  void reset() noexcept {
    if (h_ != nullptr) CloseHandle(h_);
    h_ = nullptr;
  }
  [[nodiscard]] HANDLE get() const noexcept { return h_; }
  [[nodiscard]] HANDLE* out() noexcept { return &h_; }

 private:
  HANDLE h_ = nullptr;
};

// One argument as CommandLineToArgvW and the C runtime read it back.
void append_quoted(std::wstring& line, const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
    line += arg;
    return;
  }
  line += L'"';
  std::size_t backslashes = 0;
  for (const wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    // Backslashes before a quote are doubled, and the quote escaped.
    line.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    line += c;
  }
  line.append(backslashes * 2, L'\\');  // before the closing quote
  line += L'"';
}

std::wstring upper(std::wstring s) {
  for (auto& c : s) c = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
  return s;
}

// The parent's environment with the changes applied, as a block of
// NAME=value strings ending in an empty one.
std::wstring environment_block(const std::map<std::wstring, std::optional<std::wstring>>& env) {
  std::map<std::wstring, std::wstring> vars;  // by upper-case name: names ignore case
  if (wchar_t* strings = GetEnvironmentStringsW(); strings != nullptr) {
    for (const wchar_t* p = strings; *p != L'\0'; p += wcslen(p) + 1) {
      const std::wstring entry(p);
      // Entries such as "=C:=C:\dir" begin with '='; the name ends at the next.
      const std::size_t eq = entry.find(L'=', 1);
      if (eq == std::wstring::npos) continue;
      vars[upper(entry.substr(0, eq))] = entry;
    }
    FreeEnvironmentStringsW(strings);
  }
  for (const auto& [name, value] : env) {
    if (value) {
      vars[upper(name)] = name + L"=" + *value;
    } else {
      vars.erase(upper(name));
    }
  }
  std::wstring block;
  for (const auto& [key, entry] : vars) {
    block += entry;
    block += L'\0';
  }
  block += L'\0';
  return block;
}

void drain(HANDLE pipe, std::string& into) {
  char buffer[4096];
  DWORD n = 0;
  while (ReadFile(pipe, buffer, sizeof buffer, &n, nullptr) && n > 0) into.append(buffer, n);
}

}  // namespace

ChildResult run_child(const std::wstring& program, const std::vector<std::wstring>& args,
                      const ChildOptions& options) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  Handle out_read, out_write, err_read, err_write;
  if (!CreatePipe(out_read.out(), out_write.out(), &inherit, 0) ||
      !CreatePipe(err_read.out(), err_write.out(), &inherit, 0)) {
    throw std::runtime_error("CreatePipe failed");
  }
  // Only the child's ends are inherited.
  SetHandleInformation(out_read.get(), HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(err_read.get(), HANDLE_FLAG_INHERIT, 0);
  Handle nul(CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                         OPEN_EXISTING, 0, nullptr));

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nul.get();
  startup.hStdOutput = options.stdout_handle != nullptr ? options.stdout_handle : out_write.get();
  startup.hStdError = err_write.get();

  std::wstring line;
  append_quoted(line, program);
  for (const auto& arg : args) {
    line += L' ';
    append_quoted(line, arg);
  }
  std::wstring env = environment_block(options.env);
  PROCESS_INFORMATION info{};
  // A child that writes to our console shares it; any other gets none.
  const DWORD console = options.stdout_handle != nullptr ? 0 : CREATE_NO_WINDOW;
  if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE,
                      CREATE_UNICODE_ENVIRONMENT | console, env.data(),
                      options.working_dir.empty() ? nullptr : options.working_dir.c_str(), &startup,
                      &info)) {
    throw std::runtime_error("CreateProcessW failed: " + std::to_string(GetLastError()));
  }
  const Handle process(info.hProcess);
  const Handle thread(info.hThread);
  // Our copies of the child's ends go, so that reading ends when the child
  // (and anything it started) has closed them.
  out_write.reset();
  err_write.reset();
  nul.reset();

  ChildResult result;
  // Both pipes at once: a child that fills one while we wait on the other
  // would never finish.
  std::thread err_reader([&] { drain(err_read.get(), result.err); });
  drain(out_read.get(), result.out);
  err_reader.join();
  WaitForSingleObject(process.get(), INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.get(), &code);
  result.exit_code = code;
  return result;
}

std::wstring windows_path(const std::string& build_path) {
  if (!build_path.starts_with('/')) return platform::to_wide(build_path);
  // Wine maps the Linux file system into drive letters itself.
  using ToDos = wchar_t*(CDECL*)(const char*);
  const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
  const auto to_dos = reinterpret_cast<ToDos>(
      reinterpret_cast<void*>(GetProcAddress(kernel32, "wine_get_dos_file_name")));
  if (to_dos == nullptr) return platform::to_wide(build_path);
  wchar_t* dos = to_dos(build_path.c_str());
  if (dos == nullptr) return platform::to_wide(build_path);
  std::wstring out(dos);
  HeapFree(GetProcessHeap(), 0, dos);
  return out;
}

}  // namespace norvane::testing
