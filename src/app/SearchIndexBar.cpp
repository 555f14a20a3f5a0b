#include "app/SearchIndexBar.h"

#include "store/SearchIndexBuild.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>

SearchIndexBar::SearchIndexBar(QStatusBar *line) : QWidget(line), line_(line)
{
    setObjectName(QStringLiteral("SearchIndexBar"));
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    lblSearchIndex = new QLabel(QStringLiteral("正在建立搜索索引 (建好之前按名称查找会慢些)"), this);
    lblSearchIndex->setObjectName(QStringLiteral("lblSearchIndex"));
    prgSearchIndex = new QProgressBar(this);
    prgSearchIndex->setObjectName(QStringLiteral("prgSearchIndex"));
    prgSearchIndex->setRange(0, 1000);
    prgSearchIndex->setFixedWidth(160);
    prgSearchIndex->setFormat(QStringLiteral("%p%"));
    cmdSearchIndexCancel = new QPushButton(QStringLiteral("取消"), this);
    cmdSearchIndexCancel->setObjectName(QStringLiteral("cmdSearchIndexCancel"));
    cmdSearchIndexCancel->setToolTip(QStringLiteral("停止建立搜索索引: 下次打开目录时接着建立"));
    row->addWidget(lblSearchIndex);
    row->addWidget(prgSearchIndex);
    row->addWidget(cmdSearchIndexCancel);
    line_->addPermanentWidget(this);
    line_->setSizeGripEnabled(false);
    connect(cmdSearchIndexCancel, &QPushButton::clicked, this, [this] {
        SearchIndexBuild::cancel();
        refresh();
    });
    tmrSearchIndex = new QTimer(this);
    tmrSearchIndex->setObjectName(QStringLiteral("tmrSearchIndex"));
    tmrSearchIndex->setInterval(250);
    connect(tmrSearchIndex, &QTimer::timeout, this, &SearchIndexBar::refresh);
    tmrSearchIndex->start();
    refresh();
}

void SearchIndexBar::refresh()
{
    const SearchIndexBuild::Status now = SearchIndexBuild::status();
    if (now.running)
        prgSearchIndex->setValue(now.permille);
    // Stopping takes the group at hand: the button is not pressed twice meanwhile.
    cmdSearchIndexCancel->setEnabled(now.running && !now.stopping);
    line_->setVisible(now.running);
}
