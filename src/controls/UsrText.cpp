#include "controls/UsrText.h"

#include "controls/OleColor.h"
#include "controls/PropertyBag.h"
#include "controls/VirtualKey.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>

namespace {
constexpr int kMinHeight = 20; // 300 twips

short shiftState(Qt::KeyboardModifiers m)
{
    return short((m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0) | (m & Qt::AltModifier ? 4 : 0));
}

short mouseButton(Qt::MouseButton b)
{
    return short(b == Qt::LeftButton ? 1 : b == Qt::RightButton ? 2 : b == Qt::MiddleButton ? 4 : 0);
}
} // namespace

UsrText::UsrText(QWidget *parent)
    : QWidget(parent), backColor_(OleColor::system(OleColor::WindowBackground)),
      foreColor_(OleColor::system(OleColor::WindowText))
{
    setObjectName(QStringLiteral("UsrText"));
    txtText1 = new QLineEdit(QStringLiteral("Text1"), this);
    txtText1->setObjectName(QStringLiteral("txtText1"));
    txtText1->installEventFilter(this);
    setFocusProxy(txtText1);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumHeight(kMinHeight);
    resize(120, kMinHeight);
    applyColours();
}

void UsrText::applyColours()
{
    QPalette p = txtText1->palette();
    p.setColor(QPalette::Base, OleColor::toQColor(backColor_));
    p.setColor(QPalette::Text, OleColor::toQColor(foreColor_));
    txtText1->setPalette(p);
}

void UsrText::setBackColor(quint32 colour)
{
    backColor_ = colour;
    applyColours();
    emit PropertyChanged(QStringLiteral("BackColor"));
}

void UsrText::setForeColor(quint32 colour)
{
    foreColor_ = colour;
    applyColours();
    emit PropertyChanged(QStringLiteral("ForeColor"));
}

bool UsrText::Enabled() const
{
    return txtText1->isEnabled();
}

void UsrText::setEnabledProperty(bool enabled)
{
    txtText1->setEnabled(enabled);
    emit PropertyChanged(QStringLiteral("Enabled"));
}

QFont UsrText::Font() const
{
    return txtText1->font();
}

void UsrText::setFontProperty(const QFont &font)
{
    txtText1->setFont(font);
    emit PropertyChanged(QStringLiteral("Font"));
}

void UsrText::setAppearance(int appearance)
{
    appearance_ = appearance;
    txtText1->setFrame(appearance != 0);
    emit PropertyChanged(QStringLiteral("Appearance"));
}

void UsrText::setAlignment(int alignment)
{
    alignment_ = alignment;
    const Qt::Alignment a = alignment == 1 ? Qt::AlignRight : alignment == 2 ? Qt::AlignHCenter : Qt::AlignLeft;
    txtText1->setAlignment(a | Qt::AlignVCenter);
    emit PropertyChanged(QStringLiteral("Alignment"));
}

QString UsrText::Text() const
{
    return txtText1->text();
}

void UsrText::setText(const QString &text)
{
    txtText1->setText(text);
    emit PropertyChanged(QStringLiteral("Text"));
}

void UsrText::setIsStyle(int style)
{
    isStyle_ = style;
    emit PropertyChanged(QStringLiteral("isStyle"));
}

void UsrText::setIsColorGetFocus(quint32 colour)
{
    isColorGetFocus_ = colour;
    emit PropertyChanged(QStringLiteral("isColorGetFocus"));
}

void UsrText::setIsChangeColorGetFocus(bool on)
{
    isChangeColorGetFocus_ = on;
    emit PropertyChanged(QStringLiteral("isChangeColorGetFocus"));
}

void UsrText::ReadProperties(PropertyBag &bag)
{
    setBackColor(bag.ReadProperty(QStringLiteral("BackColor"), OleColor::system(OleColor::WindowBackground)).toUInt());
    setForeColor(bag.ReadProperty(QStringLiteral("ForeColor"), OleColor::system(OleColor::WindowText)).toUInt());
    setEnabledProperty(bag.ReadProperty(QStringLiteral("Enabled"), true).toBool());
    const QFont ambient = parentWidget() ? parentWidget()->font() : QApplication::font();
    setFontProperty(bag.ReadProperty(QStringLiteral("Font"), ambient).value<QFont>());
    setAppearance(bag.ReadProperty(QStringLiteral("Appearance"), 1).toInt());
    setAlignment(bag.ReadProperty(QStringLiteral("Alignment"), 0).toInt());
    setText(bag.ReadProperty(QStringLiteral("Text"), QStringLiteral("Text1")).toString());
    setIsStyle(bag.ReadProperty(QStringLiteral("isStyle"), 2).toInt());
    setIsColorGetFocus(bag.ReadProperty(QStringLiteral("isColorGetFocus"), kDefaultFocusColour).toUInt());
    setIsChangeColorGetFocus(bag.ReadProperty(QStringLiteral("isChangeColorGetFocus"), true).toBool());
}

void UsrText::WriteProperties(PropertyBag &bag) const
{
    bag.WriteProperty(QStringLiteral("BackColor"), backColor_, OleColor::system(OleColor::WindowBackground));
    bag.WriteProperty(QStringLiteral("ForeColor"), foreColor_, OleColor::system(OleColor::WindowText));
    bag.WriteProperty(QStringLiteral("Enabled"), Enabled(), true);
    const QFont ambient = parentWidget() ? parentWidget()->font() : QApplication::font();
    bag.WriteProperty(QStringLiteral("Font"), Font(), ambient);
    bag.WriteProperty(QStringLiteral("Appearance"), appearance_, 1);
    bag.WriteProperty(QStringLiteral("Alignment"), alignment_, 0);
    bag.WriteProperty(QStringLiteral("Text"), Text(), QStringLiteral("Text1"));
    bag.WriteProperty(QStringLiteral("isStyle"), isStyle_, 2);
    bag.WriteProperty(QStringLiteral("isColorGetFocus"), isColorGetFocus_, kDefaultFocusColour);
    bag.WriteProperty(QStringLiteral("isChangeColorGetFocus"), isChangeColorGetFocus_, true);
}

void UsrText::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (height() < kMinHeight) {
        resize(width(), kMinHeight);
        return;
    }
    txtText1->setGeometry(0, 0, width(), height());
}

bool UsrText::keyPressed(QKeyEvent *event)
{
    const short reported = VirtualKey::code(event->key(), event->modifiers());
    short code = reported;
    short shift = shiftState(event->modifiers());
    emit KeyDown(code, shift);
    if (reported != 0 && code == 0)
        return true; // the host stopped the key
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (!enter && event->text().isEmpty())
        return false;
    short ascii = enter ? short(13) : short(event->text().at(0).unicode());
    if (ascii == 13 && (isStyle_ == 0 || isStyle_ == 2)) {
        // Moves the focus on once this key has been handled.
        QCoreApplication::postEvent(txtText1, new QKeyEvent(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier));
    }
    if (ascii == 13)
        emit EnterClick();
    const short typed = ascii;
    emit KeyPress(ascii);
    if (ascii == 0)
        return true; // cancelled by the host
    if (ascii != typed) {
        txtText1->insert(QString(QChar(ushort(ascii))));
        return true;
    }
    return false;
}

void UsrText::mouseEvent(QMouseEvent *event)
{
    short button =
        mouseButton(event->button() == Qt::NoButton ? Qt::MouseButton(int(event->buttons() & 7)) : event->button());
    short shift = shiftState(event->modifiers());
    float x = float(event->position().x() * 15.0);
    float y = float(event->position().y() * 15.0);
    switch (event->type()) {
    case QEvent::MouseButtonPress: emit MouseDown(button, shift, x, y); break;
    case QEvent::MouseMove: emit MouseMove(button, shift, x, y); break;
    case QEvent::MouseButtonRelease:
        emit MouseUp(button, shift, x, y);
        if (event->button() == Qt::LeftButton && txtText1->rect().contains(event->position().toPoint()))
            emit Click();
        break;
    case QEvent::MouseButtonDblClick: emit DblClick(); break;
    default: break;
    }
}

bool UsrText::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != txtText1)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::FocusIn: {
        if (isChangeColorGetFocus_) {
            backColor_ = isColorGetFocus_;
            applyColours();
        }
        if (isStyle_ == 1 || isStyle_ == 2) {
            txtText1->selectAll();
            break;
        }
        // The line edit selects everything when the focus comes by keyboard (also by the
        // Tab that Enter sends), so the next key would replace the text; these styles
        // keep the caret where it was.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason) {
            QFocusEvent plain(QEvent::FocusIn, Qt::OtherFocusReason);
            txtText1->event(&plain);
            return true;
        }
        break;
    }
    case QEvent::FocusOut:
        if (isChangeColorGetFocus_) {
            backColor_ = OleColor::system(OleColor::WindowBackground);
            applyColours();
        }
        break;
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent *>(event)->key() != Qt::Key_Tab || event->spontaneous())
            return keyPressed(static_cast<QKeyEvent *>(event));
        break;
    case QEvent::KeyRelease: {
        auto *key = static_cast<QKeyEvent *>(event);
        const short reported = VirtualKey::code(key->key(), key->modifiers());
        short code = reported;
        short shift = shiftState(key->modifiers());
        emit KeyUp(code, shift);
        return reported != 0 && code == 0;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove:
    case QEvent::MouseButtonDblClick: mouseEvent(static_cast<QMouseEvent *>(event)); break;
    default: break;
    }
    return false;
}
