# Copies chosen end-to-end screenshots to docs/, each 320x240 pixel a 2x2 square so they read
# well; only screenshots whose check says the game drew them from data/ as committed, with no
# test's paint, are taken.
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests"))
from harness import not_the_games_own
from pixels import read_png, scaled, write_png

# (name in docs/, the test that shows it, its step, how many times bigger it is kept)
SHOTS = [
    ("title", "GameTest.test_wrong_row_then_right_code_then_win_screen", "title", 2),
    ("selection", "QuickGameTest.test_selection_and_a_won_game_against_opponent_3",
     "opponent_3_marked", 2),
    ("round", "TournamentTest.test_all_six_rounds_won_end_in_the_joke_error", "round_3", 2),
    ("game", "GameTest.test_seven_wrong_rows_lose_then_loss_screen", "wrong_row_6", 2),
    ("win", "GameTest.test_wrong_row_then_right_code_then_win_screen", "win", 2),
    ("loss", "GameTest.test_seven_wrong_rows_lose_then_loss_screen", "loss", 2),
    ("help", "HelpTest.test_help_and_back_to_the_same_game", "help", 2),
    ("error", "TournamentTest.test_all_six_rounds_won_end_in_the_joke_error", "error", 2),
    # The installed launcher's window on sdl12-compat, already 3x by the library's scaling.
    ("installed-960x720", "InstalledWindowTest.test_title_screen_at_the_right_size",
     "title_sdl12-compat", 1),
]


def chosen(artefacts):
    """(name, path of its screenshot, scale) for each of SHOTS; exits naming the first that is
    missing or is not the game's own drawing of data/."""
    out = []
    for name, test, step, k in SHOTS:
        folder = os.path.join(artefacts, test)
        # Steps are numbered in the order a test takes them, NN_step.png, or stand alone.
        found = [f for f in sorted(os.listdir(folder))
                 if step + ".png" in (f, f[3:])]
        if len(found) != 1:
            sys.exit("screenshots: %s has no single step %r (%s)" % (test, step, found))
        path = os.path.join(folder, found[0])
        why = not_the_games_own(path)
        if why:
            sys.exit("screenshots: %s/%s is not the game's own drawing: %s" % (
                test, found[0], why))
        out.append((name, path, k))
    return out


def main(artefacts, out):
    shots = chosen(artefacts)  # all of them checked before any is written
    os.makedirs(out, exist_ok=True)
    for name, path, k in shots:
        write_png(os.path.join(out, name + ".png"), scaled(read_png(path), k))
        print("%s <- %s" % (name, os.path.relpath(path, artefacts)))


if __name__ == "__main__":
    main(*sys.argv[1:])
