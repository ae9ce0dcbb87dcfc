// Every screen of the game; each returns where the player goes next.
#pragma once

#include "../game/rules.h"
#include "flow.h"

Next title_screen_x();
Next quick_game_select();
Next round_no(int n);
Next you(int kind); // 1 win, 2 loss
Next error();

// Plays a game against opponent 1..6 and returns where the player goes next.
Next main_game(int opponent);

// The game screen for this state: background, portrait, label and every ball placed.
void draw_board(const Game& g);

// One frame of the game: the board, then its judged rows; presented unless a row ended the
// game, which judge_rows has then shown and waited on.
Next game_frame(const Game& g);

// Markers and banner of every full row; returns the ending when a row decides the game
// (after showing that frame and waiting for a press; Go::Exit when the window is asked to close
// during that wait), Go::Stay otherwise.
Next judge_rows(const Game& g);

// Each screen's frame, drawn and presented exactly as its loop does it; the benchmark draws
// these same frames.
void draw_title();                 // the entry `what` marked
void draw_selection(int time_opt); // opponent `opt` marked, time caption 1..3 marked
void draw_round(int n);
void draw_result(int kind); // 1 win, 2 loss; the line for the mode in `cropp`
void draw_help();
void draw_error_text(); // the frame after the flashes
