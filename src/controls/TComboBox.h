#pragma once

#include <QComboBox>
#include <string_view>

namespace vireo {

// Drop-down list the user can only pick from. `changed` runs when the user picks an item;
// selecting by program runs nothing.
class TComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TComboBox(QWidget* parent = nullptr);

    int ItemIndex() const { return currentIndex(); }
    // -1 clears the selection.
    void SetItemIndex(int index) { setCurrentIndex(index); }
    void AddItem(std::string_view text);

signals:
    void changed();
};

} // namespace vireo
