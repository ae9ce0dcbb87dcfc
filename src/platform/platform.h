// The platform's face to the game and the screens: drawing, input, start-up and shutdown.
// Nothing outside src/platform includes SDL; this header only names its surface type.
#pragma once

#include <string>

#include "pictures.h"

struct SDL_Surface;

// The 320x240x16 video surface every screen draws its frame into.
extern SDL_Surface* screen;

// Every picture is loaded once at start-up and lives for the whole run; a picture that
// could not be loaded stays null and draws as nothing. One global per picture of pictures.h,
// under the name it gives there (bmp::title, bmp::main_scr for main.bmp...).
namespace bmp {
#define DECLARE_PICTURE(file, global, keyed, w, h) extern SDL_Surface* global;
GAME_PICTURES(DECLARE_PICTURE)
#undef DECLARE_PICTURE
} // namespace bmp

// Text in the one 8-point font; with no font nothing is drawn.
void DrawText(SDL_Surface* dst, const char* text, int x, int y, int r, int g, int b);
void drawTextInt(SDL_Surface* dst, int value, int x, int y, int r, int g, int b);
// Copies w x h from (sx, sy) of src to (dx, dy) of dst; magenta of keyed pictures is skipped.
void drawSprite(SDL_Surface* src, SDL_Surface* dst, int sx, int sy, int dx, int dy, int w, int h);
void fill_screen(int r, int g, int b);
void present();
void pause_ms(int ms);
// When set, pause_ms hands its wait here instead of sleeping: long test runs skip the flashes.
extern void (*on_pause)(int ms);

// One queued event. Key-down (by key symbol) and joystick-button-down (by button number, any
// joystick) are the presses the screens bind; Quit is the desktop's request to close the window,
// which ends the program from any screen; every other event arrives as Other.
struct Input {
    enum Kind { Other, Key, Button, Quit } kind;
    int code;
};

// Takes the next queued event; false when the queue is empty. Never blocks.
bool poll_input(Input& in);

// One line of a screen's bindings: a key and a button that do the same thing there, -1 where
// a screen binds only one of the two, and the screen's own action number (never 0).
struct Binding {
    int key;
    int button;
    int action;
};

// The action a press is bound to in the table, or 0 when it means nothing on this screen.
int action_of(const Input& in, const Binding* table, int count);
template <int N> int action_of(const Input& in, const Binding (&table)[N]) {
    return action_of(in, table, N);
}

// Spins until a key or button is pressed, then returns true with the queue emptied. A request
// to close the window ends the wait at once instead, and false says the program is to end.
[[nodiscard]] bool WaitForKey();

// Called each time polling finds the queue empty. Tests use it to feed events or to stop a
// loop that would otherwise spin for ever; the game leaves it null.
extern void (*on_queue_empty)();

// Every drawing call and flip, as a test sees it. The game leaves the recorder null.
struct DrawCall {
    enum Kind { Text, Sprite, Fill, Flip } kind;
    const char* text;    // Text: the string drawn
    SDL_Surface* bitmap; // Sprite: the source picture (null when it failed to load)
    int x, y, w, h;      // Text and Sprite: destination; Sprite: size copied
    int r, g, b;         // Text and Fill: colour
};
extern void (*on_draw)(const DrawCall&);

// SDL key symbols and the handheld's button numbers that the screens bind.
constexpr int KEY_ESCAPE = 27;
constexpr int KEY_SPACE = 32;
constexpr int KEY_A = 97;
constexpr int KEY_B = 98;
constexpr int KEY_L = 108;
constexpr int KEY_R = 114;
constexpr int KEY_X = 120;
constexpr int KEY_Y = 121;
constexpr int KEY_UP = 273;
constexpr int KEY_DOWN = 274;
constexpr int KEY_RIGHT = 275;
constexpr int KEY_LEFT = 276;
constexpr int BTN_UP = 0;
constexpr int BTN_LEFT = 2;
constexpr int BTN_DOWN = 4;
constexpr int BTN_RIGHT = 6;
constexpr int BTN_START = 8;
constexpr int BTN_SELECT = 9;
constexpr int BTN_L = 10;
constexpr int BTN_R = 11;
constexpr int BTN_A = 12;
constexpr int BTN_B = 13;
constexpr int BTN_X = 14;
constexpr int BTN_Y = 15;

// The device's joystick as the handheld's controls. Without a map its raw buttons are the
// handheld's own numbers above, as on the original handheld. A map, which the launcher gives in
// CODEBREAKER_BUTTONS, names for each control the device's raw button ("bN", N from 0 to 255)
// or direction of its hat 0 ("h0.1" up, "h0.2" right, "h0.4" down, "h0.8" left) that stands
// for it, in SDL's own notation:
//   "b:b0,a:b1,x:b2,y:b3,l:b4,r:b5,select:b8,start:b9,up:b13,down:b14,left:b15,right:b16"
// The controls are up down left right start select l r a b x y, each named once at most, and
// no raw button or direction serves two; with a map, no other raw button or direction does
// anything. "none" ignores the joystick: for a key mapper that already turns it into keys.
// "show" keeps the handheld's numbers and writes each raw button and hat move to standard
// error, so that a player can see what each of a pad's buttons sends.
struct ButtonMap {
    static constexpr int RAW_BUTTONS = 256;
    enum Kind { Design, Mapped, Ignored } kind = Design;
    bool show = false;
    int button[RAW_BUTTONS]; // Mapped: the handheld number of each raw button, or -1
    int hat[4];              // Mapped: the same of hat 0's up, right, down and left
    ButtonMap();
};
// Reads a map; false for a damaged one, with its first bad entry in bad and map as it was.
bool read_button_map(const char* text, ButtonMap& map, std::string& bad);
// The handheld number that a raw button, or a direction of hat 0 (bit 0 up, 1 right, 2 down,
// 3 left), stands for under the map; -1 when it stands for nothing.
int mapped_button(const ButtonMap& map, int raw);
int mapped_hat(const ButtonMap& map, int direction_bit);
// The map poll_input reads the joystick through; start_up reads it from CODEBREAKER_BUTTONS.
extern ButtonMap button_map;

// The seed start-up gives rand for a run started at the given time, in seconds since 1970: the
// time's low 32 bits. Every second of any clock, before 1970, past 2038 (where a 32-bit time_t
// ends) or past 2106, gives a seed, and seconds in a row give seeds in a row.
unsigned seed_for_time(long long seconds);

// Brings up SDL, the screen, font, joystick, pictures and audio; ends the process with
// status 1 or 2 when SDL or the video mode cannot be had. The program registers Terminate
// as exit handler; in-process tests do not, so that their exit status stays their own.
void start_up(bool register_exit_handler);

// Releases what start-up took and hands the machine to the handheld's menu program.
// Returns only when that program could not be started; never releases anything twice.
void Terminate();
// When set, Terminate hands over here and releases nothing: an in-process test counts the
// shutdown and starts the screens over instead of losing SDL and the process. The game leaves
// it null.
extern void (*on_terminate)();
