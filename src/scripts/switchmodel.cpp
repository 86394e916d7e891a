#include "scripts/switchmodel.h"

#include "console/usermessages.h"

namespace tarnwell {

void optSw3100Click(SwitchModel &switchModel)
{
    switchModel = SwitchModel::S3100;
}

void optSw3600Click(SwitchModel &switchModel)
{
    switchModel = SwitchModel::S3600;
}

void option2Click(const std::function<void()> &selectOption1)
{
    messageBox(QStringLiteral("此版本暂不支持Trunk口的绑定操作！"), QStringLiteral("端口类型"));
    if (selectOption1)
        selectOption1();
}

} // namespace tarnwell
