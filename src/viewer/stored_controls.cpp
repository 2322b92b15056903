#include "viewer/stored_controls.h"

#include <stdexcept>

namespace viewer {
namespace {

struct ScrollRange {
    int number;
    std::int16_t min, max, initial;
};

// The main window's scroll bars: range and starting value.
constexpr ScrollRange kScrolls[] = {
    {1, 1, 200, 100}, {2, 1, 200, 100}, {4, 1, 50, 14}, {5, 0, 50, 25},    {6, 0, 200, 30},
    {7, 0, 100, 10},  {8, 0, 100, 100}, {9, 0, 100, 0}, {10, 0, 999, 990}, {11, 3, 203, 103},
};

// The single check boxes and whether each starts ticked; the R, G and B
// arrays 6, 10 and 11 all start ticked.
constexpr std::pair<int, std::int16_t> kChecks[] = {{1, 1}, {2, 0},  {3, 0},  {7, 0}, {8, 1},
                                                    {9, 1}, {12, 0}, {13, 0}, {14, 0}};
constexpr int kCheckArrays[] = {6, 10, 11};

template <class Map, class Key>
std::int16_t lookUp(const Map& values, const Key& key)
{
    const auto found = values.find(key);
    if (found == values.end())
        throw std::invalid_argument("the window has no such control");
    return found->second;
}

void requireCheckValue(std::int16_t value)
{
    if (value != 0 && value != 1)
        throw std::invalid_argument("a check box holds 0 or 1");
}

}  // namespace

StoredControls::StoredControls(float picture1Width, float picture1Height)
    : picture1Width_(picture1Width), picture1Height_(picture1Height)
{
    for (const ScrollRange& s : kScrolls)
        scrolls_[s.number] = s.initial;
    for (const auto& [number, ticked] : kChecks)
        checks_[number] = ticked;
    for (int number : kCheckArrays)
        for (int index = 0; index < 3; ++index)
            checkArrays_[{number, index}] = 1;
}

std::int16_t StoredControls::HScroll(int number) const { return lookUp(scrolls_, number); }
std::int16_t StoredControls::Check(int number) const { return lookUp(checks_, number); }
std::int16_t StoredControls::CheckArray(int number, int index) const
{
    return lookUp(checkArrays_, std::pair(number, index));
}

void StoredControls::setHScroll(int number, std::int16_t value)
{
    for (const ScrollRange& s : kScrolls)
        if (s.number == number) {
            if (value < s.min || value > s.max)
                throw std::invalid_argument("value outside the scroll bar's range");
            scrolls_[number] = value;
            return;
        }
    throw std::invalid_argument("the window has no such scroll bar");
}

void StoredControls::setCheck(int number, std::int16_t value)
{
    lookUp(checks_, number);
    requireCheckValue(value);
    checks_[number] = value;
}

void StoredControls::setCheckArray(int number, int index, std::int16_t value)
{
    lookUp(checkArrays_, std::pair(number, index));
    requireCheckValue(value);
    checkArrays_[{number, index}] = value;
}

}  // namespace viewer
