// The screens around the game; each returns where the player goes next.
#pragma once

#include "flow.h"

Next title_screen_x();
Next quick_game_select();
Next round_no(int n);
Next you(int kind); // 1 win, 2 loss
Next error();
