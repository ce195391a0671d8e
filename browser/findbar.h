#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QWebEngineFindTextResult;
class QWebEngineView;

// Find in the page of `view`, as a bar that sits below it: the matches are highlighted as the
// person types, Return and F3 go to the next one, Shift with either to the one before, and the
// bar says which match is shown and how many there are ("3 of 12"). Escape or its close button
// hides it, clears the highlighting and gives the focus back to the page. F3 and Shift+F3 act
// while the view's window is active, and open the bar when it is closed.
class FindBar final : public QWidget
{
    Q_OBJECT
public:
    FindBar(QWebEngineView *view, QWidget *parent);

    // Shows the bar with the focus in its field, or selects the field's text when already shown.
    void open();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void find(bool backward);
    void close();
    void showResult(const QWebEngineFindTextResult &result);

    QWebEngineView *m_view;
    QLineEdit *m_field;
    QLabel *m_result;
};
