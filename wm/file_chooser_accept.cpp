// file_chooser_accept.cpp - what ends a chooser (OK, Cancel, the window's
// close) and the creation of directories (folder mode's OK and the New
// button).
//
// OK in file mode takes the current directory + the name, whatever the
// name names (a double click, not OK, enters a directory); an absolute
// name, such as the full path a caller proposes, is taken as it is. OK in folder mode takes the current directory itself when its last
// component is the name, else current directory + name, offering to create
// it when it does not exist. Every refusal keeps the chooser open.
#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <vector>

#include "file_chooser.h"
#include "iwbase.h"
#include "wm_state.h"

namespace wm {
namespace {

const char* const kBadNameMessage = "Directory name cannot contain spaces or strange characters";
// Length of the recently used list that choices go into.
const int kRecentCount = 4;
const char* const kRecentCategory = "std";

bool IsDirectory(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

// Creates one directory (mode 0755); false after telling the user why not.
bool MakeDirectory(const std::string& path) {
  if (mkdir(path.c_str(), 0755) == 0) return true;
  WMConfirmError("Could not create directory.\nError was:\n\n%s", strerror(errno));
  return false;
}

// The last component of a directory path ("/a/b/" gives "b").
std::string LastComponent(std::string dir) {
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  size_t slash = dir.rfind('/');
  return slash == std::string::npos ? dir : dir.substr(slash + 1);
}

// Folder mode: the directory the name leads to, created on request.
// False when the chooser must stay open.
bool ResolveFolder(const std::string& name, std::string* path) {
  std::string p = *path;
  if (p.back() != '/') p += '/';
  if (!Exists(p)) {
    if (!WMAskQuestion("Folder %s doesn't exist.\nCreate it?", p.c_str())) return false;
    if (!IsValidDirectoryName(name)) {
      WMConfirmError("%s", kBadNameMessage);
      return false;
    }
    if (!MakeDirectory(p)) return false;
  } else if (!IsDirectory(p.substr(0, p.size() - 1))) {
    // A file was named: its directory is the choice.
    p = p.substr(0, p.size() - 1);
    p = p.substr(0, p.rfind('/') + 1);
  }
  *path = p;
  return true;
}

void Finish(FileChooser* fc, const char* chosen) {
  if (chosen) snprintf(fc->chosen, sizeof fc->chosen, "%s", chosen);
  if (fc->callback) fc->callback(chosen, fc->current_dir, fc->types_text, fc->client_data);
  fc->running = 0;
}

}  // namespace

bool IsValidDirectoryName(const std::string& name) {
  if (name.empty()) return false;
  for (char c : name)
    if (!isalnum(static_cast<unsigned char>(c)) && !strchr("-_./", c)) return false;
  return true;
}

void AcceptChoice(FileChooser* fc) {
  if (!fc->running) return;
  std::string name = CurrentFieldText(fc->name_field);
  std::string types = CurrentFieldText(fc->types_field);
  snprintf(fc->types_text, sizeof fc->types_text, "%s", types.empty() ? "*" : types.c_str());
  if (name.empty() && !fc->folder_mode) {
    WMConfirmError("You must make a selection from the list or Cancel");
    return;
  }
  std::string dir = fc->current_dir;
  std::string path;
  if (!name.empty() && name[0] == '/')
    path = name;
  else if (fc->folder_mode && (name.empty() || LastComponent(dir) == name))
    path = dir;
  else
    path = dir + name;
  if (path.size() >= kChooserPathMax) {
    WMConfirmError("The path name is too long (at most %d characters):\n%s",
                   static_cast<int>(kChooserPathMax) - 1, path.c_str());
    return;
  }
  if (fc->folder_mode) {
    if (!ResolveFolder(name, &path)) return;
    path = WithTrailingSlash(NormalizePath(path));
  }
  IWAddRecentDir(fc->current_dir, kRecentCount, kRecentCategory);
  IWSaveUserConfig();
  Finish(fc, path.c_str());
}

void CancelChooser(FileChooser* fc) {
  if (!fc->running) return;
  Finish(fc, nullptr);
}

void CreateNewDirectory(FileChooser* fc) {
  // The prompt stores whatever is typed: room for any name a text field takes.
  std::vector<char> answer(8192, '\0');
  if (WMPromptString("Name of new directory:", answer.data(), "") != 1) return;
  answer.back() = '\0';
  std::string name = answer.data();
  size_t first = name.find_first_not_of(" \t"), last = name.find_last_not_of(" \t");
  name = first == std::string::npos ? "" : name.substr(first, last - first + 1);
  if (name.empty()) return;
  if (!IsValidDirectoryName(name)) {
    WMConfirmError("%s", kBadNameMessage);
    return;
  }
  if (strlen(fc->current_dir) + name.size() + 2 >= kChooserPathMax + 1) {
    WMConfirmError("Directory name is too long");
    return;
  }
  if (name[0] == '/') {
    WMConfirmError("You can only make a new directory\nrelative to the current directory.");
    return;
  }
  std::string path = std::string(fc->current_dir) + name;
  if (!MakeDirectory(path)) return;
  if (fc->folder_mode) {
    SetNameField(fc, name);
    Relist(fc);
  } else {
    ChangeDirectory(fc, path);
  }
}

}  // namespace wm
