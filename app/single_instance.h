// One running program at a time: a later start asks the first to come to
// the front and ends without a window.
#pragma once
#include <QObject>
#include <QString>

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

 Q_SIGNALS:
  void activateRequested();

 private:
  QString name_;
  QLocalServer* server_ = nullptr;
};

}  // namespace sw
