#include "ui/portlistcombobox.h"

namespace tarnwell {

void PortListComboBox::refreshToolTips()
{
    if (!m_describe)
        return;
    for (int i = 0; i < count(); ++i)
        setItemData(i, m_describe(itemData(i).toInt()), Qt::ToolTipRole);
}

void PortListComboBox::showPopup()
{
    refreshToolTips();
    QComboBox::showPopup();
}

} // namespace tarnwell

#include "moc_portlistcombobox.cpp" // compiled with this file (and its library's unit), not on its own
