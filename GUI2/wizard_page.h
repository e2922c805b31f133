// The base of every wizard page. A page is a QWizardPage whose id in the
// sheet is its dialog resource number and whose controls carry their numeric
// ids as objectName ("1003"). The shell calls page_init on every activation
// (Back included), on_next when the user presses Next (Finish on the last
// page), on_back when the user presses Back, on_cancel on Cancel, Escape or
// closing the window, on_timer on each tick of the shell's progress timer and
// on_help for the Help button. GUI thread only.
#pragma once

#include <QWizardPage>

class wizard_page : public QWizardPage {
  Q_OBJECT
 public:
  // Wizard buttons a page enables when it becomes active.
  enum buttons : unsigned { BACK = 1, NEXT = 2, FINISH = 4 };

  explicit wizard_page(int page_id, QWidget* parent = nullptr);
  ~wizard_page() override;

  int page_id() const { return page_id_; }

  // Fills the page's controls from the converter; 0 accepts the activation.
  virtual int page_init() { return 0; }
  // 0 goes on, -1 keeps the user on the page.
  virtual int on_next() { return 0; }
  // Stores what the page holds when the user leaves it with Back.
  virtual void on_back() {}
  // Asks "Are you sure you want to exit the wizard?" (No as the default);
  // true lets the wizard close.
  virtual bool on_cancel();
  // The shell's progress timer ticked while this page is current.
  virtual void on_timer() {}
  // Help for this page: display_help with help_context(); a page without help
  // overrides this with nothing.
  virtual void on_help();
  virtual int help_context() const { return 0; }
  // The wizard buttons enabled while this page is current.
  virtual unsigned wizard_buttons() const { return BACK | NEXT; }

  // Enables or disables a control; enabling gives it the focus.
  void enable_ctrl(int control_id, bool enable);
  // Toggles a check box and answers its new state.
  bool invert_chbox(int control_id);
  // The control with this id, or null.
  QWidget* control(int control_id) const;
  template <class W>
  W* ctrl(int control_id) const {
    return qobject_cast<W*>(control(control_id));
  }

  // QWizardPage: Next goes through on_next, Back through on_back, the next
  // page is the one after this in the shell's order.
  bool validatePage() override;
  void cleanupPage() override;
  void initializePage() override {}
  int nextId() const override;
  bool isComplete() const override;

 protected:
  // Gives a control its id (objectName) and returns it.
  template <class W>
  W* with_id(W* widget, int control_id) {
    widget->setObjectName(QString::number(control_id));
    return widget;
  }

 private:
  int page_id_;
};
