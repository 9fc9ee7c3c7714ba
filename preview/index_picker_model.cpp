#include "preview/index_picker_model.h"

#include <unistd.h>

#include <filesystem>

#include "jobs/fileslist.h"

namespace sw {

namespace {
bool IsFile(const std::string& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::is_regular_file(path, ec);
}
}  // namespace

std::vector<std::string> IndexPickerModel::Documents() const {
  std::vector<std::string> lines;
  if (!ReadFilesList(launcher_.FilesListPath(), lines)) return {};
  return lines;
}

std::string IndexPickerModel::OpenBrowser() {
  const std::string& b = launcher_.defaultBrowser();
  if (b.size() < 8)
    prompt_.Ask("No default browser",
                "No default browser selected yet...you must select an existing browser to enable drag-and-drop "
                "previewing.",
                Icon::Warning, Buttons::Ok);
  return b;
}

void IndexPickerModel::Preview(const std::string& selected, bool hasSelection) {
  if (!IsFile(launcher_.defaultBrowser())) {
    prompt_.Ask("File load failed", "Unable to load file...default browser not found.", Icon::Error, Buttons::Ok);
    return;
  }
  if (!hasSelection) {
    prompt_.Ask("Slimwright error",
                "Either no file was selected from the list of files, or the files list is empty.\n"
                "Drag and drop failed...unable to launch browser with this file",
                Icon::Warning, Buttons::Ok);
    return;
  }
  launcher_.PreviewInBrowser(selected);
}

bool IndexPickerModel::ChooseBrowser(const std::string& path) {
  if (!IsFile(path) || ::access(path.c_str(), X_OK) != 0) {
    prompt_.Ask("Not a program",
                path + " is not a program that can be started. Choose the program file of your browser.",
                Icon::Warning, Buttons::Ok);
    return false;
  }
  launcher_.SetDefaultBrowser(path);
  return true;
}

}  // namespace sw
