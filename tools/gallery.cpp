// Shows every button style in every state, with and without custom colours, icons and
// caption alignments, and a text box: gallery [OUT.png]
#include "controls/OleColor.h"
#include "controls/UsrButton.h"
#include "controls/UsrText.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QStyle>
#include <QTimer>

namespace {
QPixmap sampleIcon()
{
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(230, 120, 30));
    p.setPen(QColor(120, 50, 0));
    p.drawEllipse(3, 3, 26, 26);
    p.setBrush(Qt::white);
    p.drawEllipse(11, 9, 10, 10);
    return pm;
}

UsrButton *button(QWidget *parent, int style, const QString &caption)
{
    auto *b = new UsrButton(parent);
    b->setStyle(style);
    b->setCaption(caption);
    b->setFixedSize(96, 30);
    return b;
}
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget page;
    page.setObjectName(QStringLiteral("gallery"));
    auto *grid = new QGridLayout(&page);
    grid->setSpacing(6);
    const QStringList states = {QStringLiteral("normal"),    QStringLiteral("hot"),
                                QStringLiteral("pressed"),   QStringLiteral("disabled"),
                                QStringLiteral("focused"),   QStringLiteral("toggled"),
                                QStringLiteral("custom"),    QStringLiteral("custom hot"),
                                QStringLiteral("icon left"), QStringLiteral("icon top, caption bottom")};
    for (int c = 0; c < states.size(); ++c)
        grid->addWidget(new QLabel(states[c], &page), 0, c + 1, Qt::AlignCenter);
    const QPixmap icon = sampleIcon();
    for (int style = 0; style <= 10; ++style) {
        grid->addWidget(new QLabel(QStringLiteral("Style %1").arg(style), &page), style + 1, 0);
        const int looks[][2] = {{1, 0}, {2, 0}, {3, 0}, {4, 0}, {1, 1}};
        int column = 1;
        for (const auto &look : looks) {
            UsrButton *b = button(&page, style, QStringLiteral("Button"));
            if (look[0] == 4)
                b->setEnabledProperty(false);
            b->preview(look[0], look[1] != 0);
            grid->addWidget(b, style + 1, column++);
        }
        UsrButton *toggled = button(&page, style, QStringLiteral("Toggle"));
        toggled->setButtonType(1);
        toggled->setValue(true);
        grid->addWidget(toggled, style + 1, column++);
        for (int hot = 0; hot < 2; ++hot) {
            UsrButton *custom = button(&page, style, QStringLiteral("Custom"));
            custom->setUseCustomColors(true);
            custom->setShowFocus(true);
            custom->setBackColor(OleColor::rgb(250, 220, 170));
            custom->setHighlightColor(OleColor::rgb(120, 170, 250));
            custom->setFontColor(OleColor::rgb(120, 40, 0));
            custom->setFontHighlightColor(OleColor::rgb(0, 40, 120));
            custom->preview(hot ? 2 : 1, false);
            grid->addWidget(custom, style + 1, column++);
        }
        UsrButton *left = button(&page, style, QStringLiteral("Icon"));
        left->setIcon(icon);
        left->setIconAlign(1);
        left->setCaptionAlign(2);
        left->preview(1, false);
        grid->addWidget(left, style + 1, column++);
        UsrButton *top = button(&page, style, QStringLiteral("Below"));
        top->setFixedSize(96, 44);
        top->setIcon(icon);
        top->setIconAlign(3);
        top->setCaptionAlign(4);
        top->preview(1, false);
        grid->addWidget(top, style + 1, column++);
    }
    auto *text = new UsrText(&page);
    text->setText(QStringLiteral("UsrText 文本框"));
    grid->addWidget(new QLabel(QStringLiteral("UsrText"), &page), 13, 0);
    grid->addWidget(text, 13, 1, 1, 3);
    page.adjustSize();
    if (argc > 1) {
        page.show();
        QApplication::processEvents();
        page.grab().save(QString::fromLocal8Bit(argv[1]));
        return 0;
    }
    page.show();
    return app.exec();
}
