#include "platform/process.h"

#include <QProcess>
#include <QStandardPaths>
#include <QString>

namespace sw {

namespace {
class DetachedStarter : public ProcessStarter {
 public:
  bool Start(const std::string& program, const std::vector<std::string>& args) override {
    QStringList list;
    for (const auto& a : args) list << QString::fromLocal8Bit(a.c_str());
    return QProcess::startDetached(QString::fromLocal8Bit(program.c_str()), list);
  }
};
}  // namespace

ProcessStarter& SystemProcessStarter() {
  static DetachedStarter starter;
  return starter;
}

std::string FindOnPath(const std::string& name) {
  if (name.empty()) return {};
  return QStandardPaths::findExecutable(QString::fromLocal8Bit(name.c_str())).toLocal8Bit().toStdString();
}

}  // namespace sw
