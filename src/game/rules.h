// The rules of one game: the secret code, filling the holes and judging a row. No SDL here.
#pragma once

constexpr int ROWS = 7;
constexpr int HOLES = 4;
constexpr int COLOURS = 6; // 1 red, 2 green, 3 blue, 4 yellow, 5 brown, 6 purple; 0 is empty

// Everything one game owns; nothing of it outlives the game.
struct Game {
    int opponent = 1;
    int code[HOLES] = {};
    int board[ROWS][HOLES] = {};
    int pegs_entered = 0; // also the index of the next hole to fill
    bool row_full[ROWS] = {};
    bool leave_game = false;
};

// A fresh board against the given opponent, with that opponent's code drawn.
void new_game(Game& g, int opponent);

// Draws the code by the opponent's rule: two to four calls of rand, one colour each.
void make_code(Game& g, int opponent);

// Puts a ball of the colour into the next hole; ignored once all 28 holes are filled.
void put_ball(Game& g, int colour);

enum class Mark { White, Black, BlackCross };

struct RowVerdict {
    Mark marks[HOLES];
    bool right;
};

// Judges row 0..6 hole by hole against the code: white where the ball is the code's colour
// at that hole, black elsewhere, black with a cross where the colour is nowhere in the code.
RowVerdict judge_row(const Game& g, int row);
