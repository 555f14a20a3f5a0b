#pragma once

#include <QFont>
#include <QWidget>

class QLineEdit;
class PropertyBag;

// A one-line text box that colours itself while focused, selects its text when the focus
// arrives and moves the focus on with Enter.
class UsrText : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString Text READ Text WRITE setText)
public:
    explicit UsrText(QWidget *parent = nullptr);

    QLineEdit *txtText1;

    quint32 BackColor() const { return backColor_; }
    void setBackColor(quint32 colour);
    quint32 ForeColor() const { return foreColor_; }
    void setForeColor(quint32 colour);
    bool Enabled() const;
    void setEnabledProperty(bool enabled);
    QFont Font() const;
    void setFontProperty(const QFont &font);
    int Appearance() const { return appearance_; }
    void setAppearance(int appearance);
    int Alignment() const { return alignment_; }
    void setAlignment(int alignment);
    QString Text() const;
    void setText(const QString &text);
    int isStyle() const { return isStyle_; }
    void setIsStyle(int style);
    quint32 isColorGetFocus() const { return isColorGetFocus_; }
    void setIsColorGetFocus(quint32 colour);
    bool isChangeColorGetFocus() const { return isChangeColorGetFocus_; }
    void setIsChangeColorGetFocus(bool on);

    void ReadProperties(PropertyBag &bag);
    void WriteProperties(PropertyBag &bag) const;

    static constexpr quint32 kDefaultFocusColour = 14608364;

signals:
    void Click();
    void DblClick();
    void KeyDown(short &KeyCode, short &Shift);
    void KeyPress(short &KeyAscii);
    void KeyUp(short &KeyCode, short &Shift);
    void MouseDown(short &Button, short &Shift, float &X, float &Y);
    void MouseMove(short &Button, short &Shift, float &X, float &Y);
    void MouseUp(short &Button, short &Shift, float &X, float &Y);
    void EnterClick();
    // The host's stored form is out of date for this key.
    void PropertyChanged(const QString &key);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void applyColours();
    bool keyPressed(QKeyEvent *event);
    void mouseEvent(QMouseEvent *event);

    quint32 backColor_;
    quint32 foreColor_;
    int appearance_ = 1;
    int alignment_ = 0;
    int isStyle_ = 2;
    quint32 isColorGetFocus_ = kDefaultFocusColour;
    bool isChangeColorGetFocus_ = true;
};
