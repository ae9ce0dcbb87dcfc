# Copies chosen end-to-end screenshots to docs/, each pixel a 2x2 square so they read well.
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests"))
from pixels import read_png, scaled, write_png

# (name in docs/, the test that shows it, its step)
SHOTS = [
    ("title", "GameTest.test_wrong_row_then_right_code_then_win_screen", "title"),
    ("selection", "QuickGameTest.test_selection_and_a_won_game_against_opponent_3",
     "opponent_3_marked"),
    ("round", "TournamentTest.test_all_six_rounds_won_end_in_the_joke_error", "round_3"),
    ("game", "GameTest.test_seven_wrong_rows_lose_then_loss_screen", "wrong_row_6"),
    ("win", "GameTest.test_wrong_row_then_right_code_then_win_screen", "win"),
    ("loss", "GameTest.test_seven_wrong_rows_lose_then_loss_screen", "loss"),
    ("help", "HelpTest.test_help_and_back_to_the_same_game", "help"),
    ("error", "TournamentTest.test_all_six_rounds_won_end_in_the_joke_error", "error"),
]


def main(artefacts, out):
    os.makedirs(out, exist_ok=True)
    for name, test, step in SHOTS:
        folder = os.path.join(artefacts, test)
        # Steps are numbered in the order a test takes them: NN_step.png.
        found = [f for f in sorted(os.listdir(folder)) if f[3:] == step + ".png"]
        if len(found) != 1:
            sys.exit("screenshots: %s has no single step %r (%s)" % (test, step, found))
        write_png(os.path.join(out, name + ".png"),
                  scaled(read_png(os.path.join(folder, found[0])), 2))
        print("%s <- %s/%s" % (name, test, found[0]))


if __name__ == "__main__":
    main(*sys.argv[1:])
