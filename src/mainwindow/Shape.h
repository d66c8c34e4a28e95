// A drawing-only element of a window: an outlined box, optionally filled.
#pragma once

#include <QFrame>
#include <cstdint>
#include <optional>

namespace vondrel {

class Shape : public QFrame {
    Q_OBJECT
public:
    explicit Shape(QWidget* parent = nullptr, std::optional<uint32_t> fillBgr = std::nullopt);
    void SetFill(std::optional<uint32_t> fillBgr);
    std::optional<uint32_t> Fill() const { return fill_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<uint32_t> fill_;
};

}  // namespace vondrel
