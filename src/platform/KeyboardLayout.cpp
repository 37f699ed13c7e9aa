// Placeholder.
#include "KeyboardLayout.h"
namespace {
class NoLayouts : public KeyboardLayouts
{
public:
    bool activeIsUsEnglish() override { return true; }
    bool hasUsEnglish() override { return true; }
    void activateNext() override {}
};
}
std::unique_ptr<KeyboardLayouts> CreateSystemKeyboardLayouts() { return std::make_unique<NoLayouts>(); }
