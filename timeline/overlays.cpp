// The caption and credits overlays: flat textured quads drawn over the
// scenes in an overlay space of window-size units (W x H from the display
// settings) mapped onto the show viewport. Every texture is addressed with
// v = 0 at the bottom row of its picture.
#include "timeline/overlays.h"

#include "content/show_content.h"
#include "platform/gl_api.h"
#include "timeline/caption_schedule.h"
#include "timeline/show_state.h"

// Sets up the overlay space: pushes both matrices and loads an orthographic
// W x H projection; ends in GL_MODELVIEW with the identity loaded.
static void PushOverlaySpace()
{
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluOrtho2D(0.0, static_cast<double>(g_displaySettings.windowWidth),
        0.0, static_cast<double>(g_displaySettings.windowHeight));
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
}

// Restores both matrices saved by PushOverlaySpace; ends in GL_MODELVIEW.
static void PopOverlaySpace()
{
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

void LoadCaptionImages()
{
    // The sheets hold slots 0 to 10 in order, each naming its own image.
    for (const CaptionSheet& sheet : CAPTION_SHEETS)
        g_captionTextures[sheet.slot] = LoadTexture(sheet.file);
}

void DrawCaptions()
{
    const float t = g_demoTime;
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    // With the default modulate environment each fragment takes the texel's
    // colour and alpha; the alpha decides how the image covers the scene.
    glColor3f(1.0f, 1.0f, 1.0f);
    PushOverlaySpace();

    for (int s = 0; s < CAPTION_SHEET_COUNT; ++s) {
        const CaptionSheet& sheet = CAPTION_SHEETS[s];
        // A caption image that could not be read (texture 0) would draw its
        // pieces as opaque white rectangles: such a sheet draws nothing.
        if (!(sheet.opens < t && t < sheet.closes) || g_captionTextures[sheet.slot] == 0)
            continue;
        // Bound even while none of its pieces is due yet.
        glBindTexture(GL_TEXTURE_2D, g_captionTextures[sheet.slot]);
        for (int i = 0; i < sheet.pieceCount; ++i) {
            const CaptionPiece& piece = sheet.pieces[i];
            if (t > piece.reveal)
                DrawCaptionPiece(piece.x1, piece.y1, piece.x2, piece.y2);
        }
    }

    PopOverlaySpace();
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glLoadIdentity();
}

void DrawCaptionPiece(int x1, int y1, int x2, int y2)
{
    const double w = g_displaySettings.windowWidth;
    const double h = g_displaySettings.windowHeight;
    // The caption layout runs y downwards, texture and overlay space upwards.
    const double sx1 = x1 / static_cast<double>(CAPTION_LAYOUT_WIDTH);
    const double sx2 = x2 / static_cast<double>(CAPTION_LAYOUT_WIDTH);
    const double ty1 = 1.0 - y1 / static_cast<double>(CAPTION_LAYOUT_HEIGHT);
    const double ty2 = 1.0 - y2 / static_cast<double>(CAPTION_LAYOUT_HEIGHT);

    glBegin(GL_QUADS);
    glTexCoord2f(static_cast<float>(sx1), static_cast<float>(ty1));
    glVertex2f(static_cast<float>(w * sx1), static_cast<float>(h * ty1));
    glTexCoord2f(static_cast<float>(sx2), static_cast<float>(ty1));
    glVertex2f(static_cast<float>(w * sx2), static_cast<float>(h * ty1));
    glTexCoord2f(static_cast<float>(sx2), static_cast<float>(ty2));
    glVertex2f(static_cast<float>(w * sx2), static_cast<float>(h * ty2));
    glTexCoord2f(static_cast<float>(sx1), static_cast<float>(ty2));
    glVertex2f(static_cast<float>(w * sx1), static_cast<float>(h * ty2));
    glEnd();
}

void DrawCredits()
{
    const int w = g_displaySettings.windowWidth;
    const int h = g_displaySettings.windowHeight;
    glColor3f(1.0f, 1.0f, 1.0f);
    // The credits image is opaque and drawn without multisampling.
    glDisable(GL_MULTISAMPLE_ARB);
    glDisable(GL_BLEND);
    glBindTexture(GL_TEXTURE_2D, g_creditsTexture);
    glEnable(GL_TEXTURE_2D);
    PushOverlaySpace();

    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2i(0, 0);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2i(w, 0);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2i(w, h);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2i(0, h);
    glEnd();

    PopOverlaySpace();
}
