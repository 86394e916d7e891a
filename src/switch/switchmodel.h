#pragma once

#include <QString>
#include <QStringView>


namespace tarnwell {

// The switch models the program knows: the two the option buttons set, the two more the
// configuration listing can name, and Unknown for any other.
enum class SwitchModel { Unknown, S3100, S3600, S5500, S9512 };

// The model as the report header and the report tool's --model name it ("3100" ...); empty for
// Unknown. Header-only, so the parser's own library needs nothing else.
inline QString switchModelText(SwitchModel model)
{
    switch (model) {
    case SwitchModel::S3100: return QStringLiteral("3100");
    case SwitchModel::S3600: return QStringLiteral("3600");
    case SwitchModel::S5500: return QStringLiteral("5500");
    case SwitchModel::S9512: return QStringLiteral("9512");
    case SwitchModel::Unknown: break;
    }
    return QString();
}

// The model a text names, compared exactly (no blanks, no prefix); Unknown for any other text.
inline SwitchModel switchModelFromText(QStringView text)
{
    for (const SwitchModel m : {SwitchModel::S3100, SwitchModel::S3600, SwitchModel::S5500, SwitchModel::S9512}) {
        if (text == switchModelText(m))
            return m;
    }
    return SwitchModel::Unknown;
}

// The window's SwitchModel at start-up.
inline SwitchModel initialSwitchModel() { return SwitchModel::S3100; }

} // namespace tarnwell
