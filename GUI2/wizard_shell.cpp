// The sheet: pages in order, message boxes through the presenter, buttons,
// the progress timer, help and the collected error texts.
#include "GUI2/wizard_shell.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QThread>
#include <condition_variable>
#include <functional>

#include "GUI2/help_window.h"
#include "GUI2/wizard_ids.h"
#include "GUI2/wizard_page.h"
#include "GUI2/wizard_settings.h"
#include "TK/tk_exception.h"
#include "TK/tk_text.h"
#include "TK/tk_trace.h"

// The pictures are compiled into this static library; a program that links
// it must register them once.
static void init_wizard_resources() {
  Q_INIT_RESOURCE(wizard);
}

namespace {

wizard_shell* g_shell = nullptr;
std::unique_ptr<wizard_presenter> g_presenter;
QString g_help_file;

// Requests of worker threads to the GUI thread. A worker waits until its
// request has run; once the sheet is closing, a request that has not started
// is dropped and the worker goes on with its defaults, so that a page that
// joins its worker while closing never waits on a box nobody will show.
std::mutex g_requests_lock;
std::condition_variable g_requests_changed;
bool g_closing = false;

struct gui_request {
  bool started = false;
  bool done = false;
  bool dropped = false;
};

QString from_wide(const std::wstring& text) {
  return QString::fromStdWString(text);
}

}  // namespace

bool wizard_shell::run_on_gui_thread(const std::function<void()>& body) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) return false;
  if (QThread::currentThread() == app->thread()) {
    body();
    return true;
  }
  auto request = std::make_shared<gui_request>();
  {
    std::lock_guard<std::mutex> hold(g_requests_lock);
    if (g_closing) return false;
  }
  QMetaObject::invokeMethod(
      app,
      [request, &body] {
        {
          std::lock_guard<std::mutex> hold(g_requests_lock);
          if (request->dropped) return;
          request->started = true;
        }
        body();
        std::lock_guard<std::mutex> hold(g_requests_lock);
        request->done = true;
        g_requests_changed.notify_all();
      },
      Qt::QueuedConnection);
  std::unique_lock<std::mutex> hold(g_requests_lock);
  g_requests_changed.wait(hold, [&] { return request->done || (g_closing && !request->started); });
  if (request->done) return true;
  request->dropped = true;
  return false;
}

void wizard_shell::set_closing(bool closing) {
  std::lock_guard<std::mutex> hold(g_requests_lock);
  g_closing = closing;
  g_requests_changed.notify_all();
}

wizard_shell::wizard_shell(const QString& title, QWidget* parent) : QWizard(parent), title_(title) {
  tk_trace(2, "wizard_shell::ctor");
  TK_ASSERT(g_shell == nullptr);
  g_shell = this;
  set_closing(false);
  init_wizard_resources();
  setWizardStyle(QWizard::ModernStyle);
  setOption(QWizard::HaveHelpButton, true);
  setOption(QWizard::NoBackButtonOnLastPage, true);
  setOption(QWizard::NoBackButtonOnStartPage, false);
  setPixmap(QWizard::LogoPixmap, QPixmap(QStringLiteral(":/wizard/header.png")));
  setWindowIcon(QIcon(QStringLiteral(":/wizard/icon.png")));
  timer_.setInterval(kProgressInterval);
  connect(&timer_, &QTimer::timeout, this, [this] {
    if (wizard_page* page = current_wizard_page()) page->on_timer();
  });
  connect(this, &QWizard::currentIdChanged, this, &wizard_shell::on_page_changed);
  connect(this, &QWizard::helpRequested, this, [this] {
    if (wizard_page* page = current_wizard_page()) page->on_help();
  });
  // F1 asks for the same help as the Help button, while that button works.
  auto* f1 = new QShortcut(QKeySequence::HelpContents, this);
  connect(f1, &QShortcut::activated, this, [this] {
    QAbstractButton* help = button(QWizard::HelpButton);
    if (help && help->isEnabled()) emit helpRequested();
  });
}

wizard_shell::~wizard_shell() {
  tk_trace(2, "wizard_shell::dtor");
  set_closing(true);
  timer_.stop();
  g_shell = nullptr;
}

wizard_shell* wizard_shell::instance_ptr() {
  return g_shell;
}

bool wizard_shell::is_initialized() {
  tk_trace(2, "wizard_shell::is_initialized");
  if (g_shell && g_shell->initialized_) {
    tk_trace(1, "Singleton has been initialized");
    return true;
  }
  tk_trace(1, "Before return false");
  return false;
}

QString wizard_shell::caption(const char* suffix) {
  if (is_initialized()) return g_shell->title_ + QLatin1Char(' ') + QLatin1String(suffix);
  return QLatin1String(suffix);
}

QWidget* wizard_shell::owner() {
  return is_initialized() ? g_shell : nullptr;
}

void wizard_shell::set_presenter(std::unique_ptr<wizard_presenter> presenter) {
  g_presenter = std::move(presenter);
}

wizard_presenter& wizard_shell::presenter() {
  if (!g_presenter) g_presenter = std::make_unique<qt_wizard_presenter>();
  return *g_presenter;
}

void wizard_shell::error(const std::wstring& text) {
  tk_wtrace(2, L"wizard_shell::error(%s)", text);
  run_on_gui_thread([&] {
    presenter().show(wizard_presenter::box::error, owner(), caption("Error"), from_wide(text));
  });
  tk_wtrace(3, L"%s", text);
}

void wizard_shell::error(const std::string& text) {
  error(tk_to_wide(text));
}

void wizard_shell::message(const std::wstring& text) {
  tk_wtrace(2, L"wizard_shell::message(%s)", text);
  run_on_gui_thread([&] {
    presenter().show(wizard_presenter::box::message, owner(), caption("Message"), from_wide(text));
  });
  tk_wtrace(3, L"%s", text);
}

bool wizard_shell::question(const std::wstring& text, bool default_no) {
  bool yes = false;
  run_on_gui_thread(
      [&] { yes = presenter().ask(owner(), caption("Question"), from_wide(text), default_no); });
  return yes;
}

QString wizard_shell::choose_file(wizard_presenter::file_mode mode, const QString& title,
                                  const QStringList& filters, const QString& default_suffix,
                                  const QString& current) {
  QString path;
  run_on_gui_thread([&] {
    path = presenter().choose_file(owner(), mode, title, filters, default_suffix,
                                   wizard_settings::start_folder(current));
    if (!path.isEmpty()) wizard_settings::set_last_folder(QFileInfo(path).absolutePath());
  });
  return path;
}

wizard_presenter::continue_answer wizard_shell::ask_continue(const std::string& text) {
  // Unanswered (the sheet is closing): the run stops.
  wizard_presenter::continue_answer answer{true, false};
  run_on_gui_thread([&] {
    answer = presenter().ask_continue(owner(), caption("Error"), QString::fromStdString(text));
  });
  return answer;
}

void wizard_shell::show_internal_error(const std::string& text) {
  run_on_gui_thread([&] {
    presenter().show_internal_error(owner(), caption("Error"), QString::fromStdString(text));
  });
}

void wizard_shell::add_page(wizard_page* page) {
  TK_ASSERT(page != nullptr);
  setPage(page->page_id(), page);
  order_.push_back(page->page_id());
  if (order_.size() == 1) setStartId(page->page_id());
}

int wizard_shell::page_after(int page_id) const {
  if (jump_target_ != -1 && page_id == jump_from_) return jump_target_;
  for (size_t i = 0; i + 1 < order_.size(); ++i)
    if (order_[i] == page_id) return order_[i + 1];
  return -1;
}

wizard_page* wizard_shell::current_wizard_page() const {
  return qobject_cast<wizard_page*>(currentPage());
}

void wizard_shell::on_page_changed(int id) {
  wizard_page* page = qobject_cast<wizard_page*>(this->page(id));
  if (!page) return;
  tk_trace(2, "wizard_page::OnSetActive");
  if (!initialized_) {
    setWindowTitle(window_title());
    if (QScreen* screen = this->screen()) {
      const QRect area = screen->availableGeometry();
      move(area.center() - rect().center());
    }
    initialized_ = true;
  }
  // Enter answers the sheet's Next or Finish, also while a button of the
  // page has the focus.
  for (QPushButton* b : page->findChildren<QPushButton*>()) {
    b->setAutoDefault(false);
    b->setDefault(false);
  }
  page->page_init();
  // QWizard sets its own button states after this signal; the page's
  // settings are applied once it has.
  QMetaObject::invokeMethod(this, &wizard_shell::apply_buttons, Qt::QueuedConnection);
}

QString wizard_shell::window_title() const {
  return tr("MS Access to Oracle Conversion Wizard") + QStringLiteral(" - ") + title_.trimmed();
}

QPixmap wizard_shell::watermark() {
  static const QPixmap picture(QStringLiteral(":/wizard/watermark.png"));
  return picture;
}

void wizard_shell::fill_watermark_area() {
  // The watermark stands at the top of its area; below it the area takes
  // the picture's bottom colour, so that it looks stretched to any height.
  const QPixmap picture = watermark();
  if (picture.isNull()) return;
  const QColor bottom = picture.toImage().pixelColor(picture.width() / 2, picture.height() - 1);
  for (QLabel* label : findChildren<QLabel*>()) {
    if (qobject_cast<wizard_page*>(label->parentWidget())) continue;
    const QPixmap shown = label->pixmap();
    if (shown.isNull() || shown.size() != picture.size()) continue;
    // QWizard paints this label with its Base role (white in most styles).
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, bottom);
    palette.setColor(QPalette::Base, bottom);
    label->setPalette(palette);
    label->setAutoFillBackground(true);
  }
}

void wizard_shell::apply_buttons() {
  wizard_page* page = current_wizard_page();
  if (!page) return;
  fill_watermark_area();
  const unsigned buttons = page->wizard_buttons();
  if (QAbstractButton* b =
          button((buttons & wizard_page::FINISH) ? QWizard::FinishButton : QWizard::NextButton))
    if (auto* push = qobject_cast<QPushButton*>(b)) push->setDefault(true);
  if (QAbstractButton* back = button(QWizard::BackButton))
    back->setEnabled((buttons & wizard_page::BACK) != 0 && !visitedIds().isEmpty() &&
                     visitedIds().front() != currentId());
}

void wizard_shell::enable_button(int button_id, bool enable) {
  QWizard::WizardButton which;
  switch (button_id) {
    case wiz::BTN_CANCEL:
      which = QWizard::CancelButton;
      break;
    case wiz::BTN_HELP:
      which = QWizard::HelpButton;
      break;
    case wiz::BTN_BACK:
      which = QWizard::BackButton;
      break;
    case wiz::BTN_NEXT:
      which = QWizard::NextButton;
      break;
    case wiz::BTN_FINISH:
      which = QWizard::FinishButton;
      break;
    default:
      TK_FAIL();
  }
  QAbstractButton* b = button(which);
  tk_trace(2, "wizard_shell::enable_button(%08X)", static_cast<unsigned>(button_id));
  if (b) b->setEnabled(enable);
}

void wizard_shell::go_to_page(int page_id) {
  TK_ASSERT(page(page_id) != nullptr);
  if (currentId() == page_id) return;
  // One step forward to the target: the current page answers it as its next
  // page and is not validated (a jump is not the user's Next).
  jump_target_ = page_id;
  jump_from_ = currentId();
  next();
  jump_target_ = -1;
}

void wizard_shell::start_timer(int interval_ms) {
  run_on_gui_thread([&] {
    TK_ASSERT(!timer_.isActive());
    timer_.start(interval_ms);
  });
}

void wizard_shell::stop_timer() {
  run_on_gui_thread([&] { timer_.stop(); });
}

void wizard_shell::set_help_file(const QString& path) {
  g_help_file = path;
}

QString wizard_shell::help_file() {
  if (!g_help_file.isEmpty()) return g_help_file;
  // Beside the program in a build tree; in share/tarvel of an installation.
  const QString program = QCoreApplication::applicationFilePath();
  if (program.isEmpty()) return QString();
  const QString beside = program + QStringLiteral(".html");
  const QString installed = QCoreApplication::applicationDirPath() +
                            QStringLiteral("/../share/tarvel/") + QFileInfo(program).fileName() +
                            QStringLiteral(".html");
  return !QFileInfo(beside).isFile() && QFileInfo(installed).isFile() ? installed : beside;
}

void wizard_shell::display_help(int context) {
  if (context == 0)
    tk_trace(2, "wizard_shell::display_help");
  else
    tk_trace(2, "wizard_shell::display_help(%d)", context);
  const QString file = help_file();
  if (file.isEmpty() || !QFileInfo(file).isFile()) {
    error(std::wstring(L"Help file does not exist. Reinstall the program."));
    return;
  }
  if (!help_) help_ = std::make_unique<help_window>(title_, this);
  help_->show_topic(file, context);
}

void wizard_shell::add_error(const std::string& text) {
  std::lock_guard<std::mutex> hold(errors_lock_);
  if (errors_.size() >= kMaxErrors) return;
  std::string kept = text;
  for (char& c : kept)
    if (c == '\n') c = ' ';
  errors_.push_back(std::move(kept));
}

std::vector<std::string> wizard_shell::errors() const {
  std::lock_guard<std::mutex> hold(errors_lock_);
  return errors_;
}

void wizard_shell::done(int result) {
  set_closing(true);
  timer_.stop();
  QWizard::done(result);
}

void wizard_shell::reject() {
  wizard_page* page = current_wizard_page();
  if (page && !page->on_cancel()) return;
  QWizard::reject();
}
