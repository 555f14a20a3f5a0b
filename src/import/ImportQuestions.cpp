#include "import/ImportQuestions.h"

#include "store/Dialogs.h"
#include "store/Services.h"

namespace {
class DialogQuestions final : public ImportQuestions {
public:
    bool importSameContents(const QString &fileName, const QString &category) override
    {
        return ShowMsg(QStringLiteral("库里已有内容相同的文件 %1 (类别 %2),是否仍然导入?").arg(fileName, category),
                       Msg::YesNo | Msg::Question) != Msg::IdNo;
    }
    bool replaceSameName(const QString &fileName) override
    {
        // Enter never replaces a copy.
        return ShowMsg(QStringLiteral("库里已经有同名文件 ") + fileName + QStringLiteral(" 是否覆盖原文件 ?"),
                       Msg::YesNo | Msg::Question | Msg::DefaultSecond) != Msg::IdNo;
    }
    QString newName(const QString &offered) override
    {
        return dialogs().prompt(QStringLiteral("请输入新名..."), QStringLiteral("文件系统-"), offered);
    }
};
} // namespace

ImportQuestions &ImportQuestions::viaDialogs()
{
    static DialogQuestions questions;
    return questions;
}
