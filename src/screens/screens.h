// The screens around the game; each returns where the player goes next.
#pragma once

#include "flow.h"

Next title_screen_x();
Next quick_game_select();
Next round_no(int n);
Next you(int kind); // 1 win, 2 loss
Next error();

// Each screen's frame, drawn and presented exactly as its loop does it; the benchmark draws
// these same frames.
void draw_title();                 // the entry `what` marked
void draw_selection(int time_opt); // opponent `opt` marked, time caption 1..3 marked
void draw_round(int n);
void draw_result(int kind); // 1 win, 2 loss; the line for the mode in `cropp`
void draw_help();
void draw_error_text(); // the frame after the flashes
