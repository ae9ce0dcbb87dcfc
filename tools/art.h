// Shared palette and the picture painters of the art generator: the game's pictures and its icon.
#pragma once

#include "canvas.h"

namespace art {

// Ball colours in the game's order: red, green, blue, yellow, brown, purple.
extern const Col kBallColours[6];

// The dark of the board's holes: balls and markers blend their edges towards it.
extern const Col kHoleMatte;
// The backdrop inside portrait frames; portraits blend towards it.
extern const Col kPortraitBackdrop;
// The flat grey of the selection screens.
extern const Col kMenuGrey;

// Surfaces of the board, evaluated in picture pixels: their grain is sized for the screens.
Paint wood(Col darkC, Col lightC);
Paint felt(Col base);

// Drawing helpers shared between sprites, full screens and icons.
void drawBall(Canvas& c, float cx, float cy, float r, Col base);
// The ball of colour (an index into kBallColours) with its symbol, as the game shows it.
void drawGameBall(Canvas& c, float cx, float cy, float r, int colour);
// The symbol that tells colour's balls apart without their colour.
Shape ballSymbol(int colour, float cx, float cy, float r);
void drawMarker(Canvas& c, float x, float y, bool white);
void drawMarkerCross(Canvas& c, float x, float y);
void drawMarkerSocket(Canvas& c, int x, int y);
// Plain text with its top-left corner at x,y.
void textAt(Canvas& c, Fonts& f, const std::string& s, int x, int y, int pt, bool bold, Col col);
// Text with a soft outline and drop shadow, for headings.
void heading(Canvas& c, Fonts& f, const std::string& s, int x, int y, int pt, const Paint& fill,
             Col outline, int outlineWidth, int shadow);

Canvas ballSprite(int colour);
Canvas markerWhite();
Canvas markerBlack();
Canvas markerCross();
Canvas bannerWrong(Fonts& f);
Canvas bannerRight(Fonts& f);
Canvas hintToTitle();
Canvas hintTime(Fonts& f);
Canvas quickGameLogo(Fonts& f);

Canvas portraitBorin();
Canvas portraitWenna();
Canvas portraitTovi();
Canvas portraitJory();
Canvas portraitHollis();
Canvas portraitZebrolt();

Canvas titleScreen(Fonts& f);
Canvas helpScreen(Fonts& f);
Canvas roundScreen(Fonts& f);
Canvas boardScreen(Fonts& f);
Canvas winScreen(Fonts& f);
Canvas lostScreen(Fonts& f);

// The application icon, painted for one size (its width and height in pixels).
Canvas appIcon(int size);

} // namespace art
