// One running program at a time: a later start asks the first to come to
// the front and ends without a window.
#pragma once
#include <QObject>
#include <QString>
#include <functional>

class QLocalServer;

namespace sw {

class SingleInstance : public QObject {
  Q_OBJECT
 public:
  explicit SingleInstance(QString name = DefaultName(), QObject* parent = nullptr);
  ~SingleInstance() override;
  // "Slimwright10" plus the user id.
  static QString DefaultName();
  // True for the first instance. A later one tells the first to activate
  // itself and gets false.
  bool Claim();
  // Runs when the name was found free, just before it is taken; tests use it
  // to start a rival at the worst moment.
  std::function<void()> beforeTaking;

 Q_SIGNALS:
  void activateRequested();

 private:
  QString name_;
  QLocalServer* server_ = nullptr;
};

}  // namespace sw
