#include "import/RequiredCheck.h"

#include "store/Services.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QVariant>
#include <QWidget>

namespace {
// The text of a text box; false for any other control.
bool textOf(QWidget *w, QString *text)
{
    if (auto *line = qobject_cast<QLineEdit *>(w)) {
        // A line edit inside a composite control (a date picker) is not a text box of the window.
        if (!line->parentWidget() || line->parentWidget()->inherits("QAbstractSpinBox"))
            return false;
        *text = line->text();
        return true;
    }
    if (auto *plain = qobject_cast<QPlainTextEdit *>(w)) {
        *text = plain->toPlainText();
        return true;
    }
    if (auto *rich = qobject_cast<QTextEdit *>(w)) {
        *text = rich->toPlainText();
        return true;
    }
    // Composite text controls publish their text and tag as properties.
    if (w->inherits("UsrText")) {
        *text = w->property("Text").toString();
        return true;
    }
    return false;
}
} // namespace

bool CheckRequired(QWidget *window)
{
    for (QWidget *w : window->findChildren<QWidget *>()) {
        QString text;
        if (!textOf(w, &text))
            continue;
        if (w->property(kTagProperty).toString() != QLatin1String("1") || !text.isEmpty())
            continue;
        ShowMsg(QStringLiteral("必填项,不允许为空!"), Msg::OkOnly | Msg::Information);
        if (w->isVisibleTo(window))
            w->setFocus();
        return false;
    }
    return true;
}
