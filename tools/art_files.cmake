# The files the art generator writes: the game's pictures (data/) and its icon's sizes.
# Shared by the art test, which checks each against the committed copy, and by the install.
set(ART_PICTURES
  title.bmp help_screen.bmp round.bmp main.bmp you_win.bmp you_lost.bmp
  1.bmp 2.bmp 3.bmp
  borin_quastle.bmp wenna_pollsby.bmp tovi_glimrat.bmp jory_vandle.bmp
  hollis_quibbleton.bmp zebrolt_mm.bmp
  ball_red.bmp ball_green.bmp ball_blue.bmp ball_yellow.bmp ball_brown.bmp ball_purple.bmp
  quickie.bmp x_totitle.bmp r_time.bmp false.bmp right.bmp)

# mkicon writes one square PNG per size, named NxN.png.
set(ART_ICON_SIZES 16 24 32 48 64 128 256)
