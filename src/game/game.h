// One game against one opponent, from a fresh board to its ending.
#pragma once

#include "../screens/flow.h"
#include "rules.h"

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
