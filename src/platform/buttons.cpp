// The device's joystick as the handheld's controls: its raw buttons and hat through a map.
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform.h"

ButtonMap button_map;

namespace {

// The handheld's controls by the names a map gives them, with their numbers on the handheld.
struct Control {
    const char* name;
    int button;
};
const Control controls[] = {
    {"up", BTN_UP},       {"down", BTN_DOWN},     {"left", BTN_LEFT}, {"right", BTN_RIGHT},
    {"start", BTN_START}, {"select", BTN_SELECT}, {"l", BTN_L},       {"r", BTN_R},
    {"a", BTN_A},         {"b", BTN_B},           {"x", BTN_X},       {"y", BTN_Y},
};

// A whole number of digits alone, from 0 to limit; -1 for anything else.
int number(const std::string& digits, int limit) {
    if (digits.empty() || digits.size() > 3) return -1;
    for (char c : digits)
        if (!std::isdigit(static_cast<unsigned char>(c))) return -1;
    int n = std::atoi(digits.c_str());
    return n <= limit ? n : -1;
}

// The index of a hat direction's bit (1 up, 2 right, 4 down, 8 left), or -1.
int hat_bit(int value) {
    for (int bit = 0; bit < 4; ++bit)
        if (value == 1 << bit) return bit;
    return -1;
}

} // namespace

ButtonMap::ButtonMap() {
    for (int& b : button)
        b = -1;
    for (int& b : hat)
        b = -1;
}

bool read_button_map(const char* text, ButtonMap& map, std::string& bad) {
    std::string all = text ? text : "";
    if (all == "none" || all == "show") {
        map = ButtonMap();
        map.kind = all == "none" ? ButtonMap::Ignored : ButtonMap::Design;
        map.show = all == "show";
        return true;
    }
    ButtonMap out;
    out.kind = ButtonMap::Mapped;
    bool taken[sizeof controls / sizeof controls[0]] = {};
    size_t at = 0;
    for (;;) {
        size_t end = all.find(',', at);
        std::string entry = all.substr(at, end == std::string::npos ? std::string::npos : end - at);
        bad = entry;
        size_t colon = entry.find(':');
        if (colon == std::string::npos) return false;
        std::string name = entry.substr(0, colon), source = entry.substr(colon + 1);
        int control = -1;
        for (size_t i = 0; i < sizeof controls / sizeof controls[0]; ++i)
            if (name == controls[i].name) control = static_cast<int>(i);
        if (control < 0 || taken[control]) return false; // no such control, or named twice
        taken[control] = true;
        const int handheld = controls[control].button;
        if (source.size() > 1 && source[0] == 'b') {
            int raw = number(source.substr(1), ButtonMap::RAW_BUTTONS - 1);
            if (raw < 0 || out.button[raw] >= 0) return false; // not a button, or taken
            out.button[raw] = handheld;
        } else if (source.compare(0, 3, "h0.") == 0) {
            int bit = hat_bit(number(source.substr(3), 8));
            if (bit < 0 || out.hat[bit] >= 0) return false;
            out.hat[bit] = handheld;
        } else {
            return false;
        }
        if (end == std::string::npos) break;
        at = end + 1;
    }
    bad.clear();
    map = out;
    return true;
}

int mapped_button(const ButtonMap& map, int raw) {
    switch (map.kind) {
    case ButtonMap::Design: return raw;
    case ButtonMap::Ignored: return -1;
    case ButtonMap::Mapped: return raw >= 0 && raw < ButtonMap::RAW_BUTTONS ? map.button[raw] : -1;
    }
    return -1;
}

int mapped_hat(const ButtonMap& map, int direction_bit) {
    if (map.kind != ButtonMap::Mapped || direction_bit < 0 || direction_bit > 3) return -1;
    return map.hat[direction_bit];
}
