// Connecting dialog.
#include "GUI2/connecting_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "GUI2/wizard_ids.h"

connecting_dialog::connecting_dialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
  setModal(true);
  setObjectName(QString::number(wiz::DLG_CONNECTING));
  for (int i = 0; i < kFrames; ++i)
    frames_[i] = QPixmap(QStringLiteral(":/wizard/connect%1.png").arg(i + 1));
  setFrameStyle();
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(18, 14, 18, 14);
  layout->setSpacing(14);
  icon_ = new QLabel(this);
  icon_->setObjectName(QString::number(wiz::CONNECTING_ICON));
  icon_->setPixmap(frames_[0]);
  layout->addWidget(icon_);
  layout->addWidget(new QLabel(tr("Connecting to Oracle server.\nPlease wait..."), this));
  layout->addSpacing(10);
  cancel_ = new QPushButton(tr("Cancel"), this);
  cancel_->setObjectName(QString::number(wiz::BTN_CANCEL));
  cancel_->setDefault(true);
  layout->addWidget(cancel_, 0, Qt::AlignVCenter);
  connect(cancel_, &QPushButton::clicked, this, &connecting_dialog::cancel);
  timer_.setInterval(kFrameInterval);
  connect(&timer_, &QTimer::timeout, this, &connecting_dialog::next_frame);
}

void connecting_dialog::setFrameStyle() {
  // A dialog without caption still needs an edge on desktops that draw none.
  setStyleSheet(QStringLiteral("connecting_dialog { border: 1px solid palette(mid); }"));
}

void connecting_dialog::finish() {
  finished_.store(true);
  QMetaObject::invokeMethod(this, &connecting_dialog::close_now, Qt::QueuedConnection);
}

void connecting_dialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (parentWidget()) {
    move(parentWidget()->frameGeometry().center() - rect().center());
  } else if (QScreen* s = screen()) {
    move(s->availableGeometry().center() - rect().center());
  }
  frame_ = 0;
  icon_->setPixmap(frames_[0]);
  timer_.start();
  if (cancelled_)
    QMetaObject::invokeMethod(this, &connecting_dialog::cancel, Qt::QueuedConnection);
  else if (finished_.load())
    QMetaObject::invokeMethod(this, &connecting_dialog::close_now, Qt::QueuedConnection);
}

void connecting_dialog::close_now() {
  timer_.stop();
  if (isVisible() && !cancelled_) done(QDialog::Accepted);
}

void connecting_dialog::cancel() {
  timer_.stop();
  cancelled_ = true;
  if (isVisible()) done(QDialog::Rejected);
}

void connecting_dialog::next_frame() {
  frame_ = (frame_ + 1) % kFrames;
  icon_->setPixmap(frames_[frame_]);
}
