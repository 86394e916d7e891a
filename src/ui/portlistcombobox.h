#pragma once

#include <QComboBox>
#include <functional>

namespace tarnwell {

// The port list: whenever it opens, each entry's tooltip says which device its COMn resolves
// to at that moment (USB adapters come and go).
class PortListComboBox : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;

    // Gives the tooltip of entry n (1-based port number).
    void setDescriber(std::function<QString(int)> describe) { m_describe = std::move(describe); }
    void refreshToolTips();
    void showPopup() override;

private:
    std::function<QString(int)> m_describe;
};

} // namespace tarnwell
