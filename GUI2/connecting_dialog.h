// The modal "Connecting to Oracle server. Please wait..." dialog (101): no
// caption, an eight-frame animation turned by its own 500 ms timer, and a
// Cancel button. finish() closes it (accepted) from any thread; a finish that
// arrives before the dialog has opened closes it as soon as it opens. Cancel,
// Escape and cancel() close it at once (rejected); a finish after that is
// ignored.
#pragma once

#include <QDialog>
#include <QPixmap>
#include <QTimer>
#include <array>
#include <atomic>

class QLabel;
class QPushButton;

class connecting_dialog : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kFrames = 8;
  static constexpr int kFrameInterval = 500;

  explicit connecting_dialog(QWidget* parent = nullptr);
  // Thread-safe: closes the dialog (queued to its thread).
  void finish();
  int frame() const { return frame_; }
  QPushButton* cancel_button() const { return cancel_; }

 public slots:
  // Closes the dialog as cancelled (GUI thread).
  void cancel();
  void reject() override { cancel(); }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void close_now();
  void setFrameStyle();
  void next_frame();

  QLabel* icon_;
  QPushButton* cancel_;
  std::array<QPixmap, kFrames> frames_;
  int frame_ = 0;
  QTimer timer_;
  std::atomic<bool> finished_{false};
  bool cancelled_ = false;
};
