// The setup dialog in GTK 3 (see setup_dialog.h). The layout follows the
// Windows program's dialog: the 640 x 360 title picture, one row of the four
// radio buttons in their two groups, one row of the two buttons. The labels
// carry mnemonics (Alt+9, Alt+4, Alt+F, Alt+W, Alt+R, Alt+X) for the
// keyboard; GTK underlines them only while Alt is held.
#include "linux/setup_dialog.h"

#include "linux/title_bitmap.h"

#include <gtk/gtk.h>

#include <cstdio>

// The dialog's widgets and how it ended.
struct SetupDialog {
    GtkWidget* window;
    GtkWidget* wide;        // "16:9"
    GtkWidget* fullscreen;  // "Fullscreen"
    GtkWidget* exitButton;
    SetupResult result;
};

// The title bitmap as a picture GTK can show; null when it cannot be read
// (the dialog then goes without it).
static GdkPixbuf* LoadTitlePicture()
{
    size_t size = 0;
    const unsigned char* bytes = GetTitleBitmap(&size);
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type("bmp", nullptr);
    if (!loader)
        return nullptr;
    GdkPixbuf* picture = nullptr;
    const bool written = gdk_pixbuf_loader_write(loader, bytes, size, nullptr);
    if (gdk_pixbuf_loader_close(loader, nullptr) && written) {
        picture = gdk_pixbuf_loader_get_pixbuf(loader);
        if (picture)
            g_object_ref(picture);
    }
    g_object_unref(loader);
    return picture;
}

// Ends the dialog's main loop with this result.
static void EndSetupDialog(SetupDialog* dialog, SetupResult result)
{
    dialog->result = result;
    gtk_main_quit();
}

// Run Demo clicked (or Enter).
static void OnRunClicked(GtkButton*, gpointer data)
{
    EndSetupDialog(static_cast<SetupDialog*>(data), SETUP_RUN);
}

// Exit clicked.
static void OnExitClicked(GtkButton*, gpointer data)
{
    EndSetupDialog(static_cast<SetupDialog*>(data), SETUP_EXIT);
}

// The close box: the dialog ends as with Exit; the window is destroyed
// afterwards by RunSetupDialog.
static gboolean OnDeleteEvent(GtkWidget*, GdkEvent*, gpointer data)
{
    EndSetupDialog(static_cast<SetupDialog*>(data), SETUP_EXIT);
    return TRUE;
}

// Enter runs the demo wherever the focus is, except on Exit, which Enter
// presses as the focused button; Escape exits.
static gboolean OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer data)
{
    SetupDialog* dialog = static_cast<SetupDialog*>(data);
    switch (event->keyval) {
    case GDK_KEY_Escape:
        EndSetupDialog(dialog, SETUP_EXIT);
        return TRUE;
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_ISO_Enter:
        if (event->state & GDK_MOD1_MASK)
            return FALSE;
        if (gtk_window_get_focus(GTK_WINDOW(dialog->window)) == dialog->exitButton)
            EndSetupDialog(dialog, SETUP_EXIT);
        else
            EndSetupDialog(dialog, SETUP_RUN);
        return TRUE;
    default:
        return FALSE;
    }
}

// Builds the dialog's widgets, centred on the screen.
static void BuildSetupDialog(SetupDialog* dialog)
{
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    dialog->window = window;
    gtk_window_set_title(GTK_WINDOW(window), "Halvane by Varnek");
    gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
    gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER);
    gtk_window_set_type_hint(GTK_WINDOW(window), GDK_WINDOW_TYPE_HINT_DIALOG);

    GtkWidget* column = gtk_box_new(GTK_ORIENTATION_VERTICAL, 10);
    gtk_container_add(GTK_CONTAINER(window), column);

    GdkPixbuf* picture = LoadTitlePicture();
    if (picture) {
        gtk_box_pack_start(GTK_BOX(column), gtk_image_new_from_pixbuf(picture), FALSE, FALSE, 0);
        g_object_unref(picture);
    }

    // The two radio groups on one row, a wider gap between the groups.
    GtkWidget* choices = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 24);
    gtk_widget_set_halign(choices, GTK_ALIGN_CENTER);
    GtkWidget* aspects = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 12);
    GtkWidget* modes = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 12);
    dialog->wide = gtk_radio_button_new_with_mnemonic(nullptr, "16:_9");
    GtkWidget* narrow = gtk_radio_button_new_with_mnemonic_from_widget(GTK_RADIO_BUTTON(dialog->wide), "_4:3");
    dialog->fullscreen = gtk_radio_button_new_with_mnemonic(nullptr, "_Fullscreen");
    GtkWidget* windowed =
        gtk_radio_button_new_with_mnemonic_from_widget(GTK_RADIO_BUTTON(dialog->fullscreen), "_Windowed");
    gtk_box_pack_start(GTK_BOX(aspects), dialog->wide, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(aspects), narrow, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(modes), dialog->fullscreen, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(modes), windowed, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(choices), aspects, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(choices), modes, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(column), choices, FALSE, FALSE, 0);
    // The preselection: 16:9 and Fullscreen.
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(dialog->wide), TRUE);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(dialog->fullscreen), TRUE);

    GtkWidget* buttons = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 30);
    gtk_widget_set_halign(buttons, GTK_ALIGN_CENTER);
    gtk_widget_set_margin_bottom(buttons, 12);
    GtkWidget* run = gtk_button_new_with_mnemonic("_Run Demo");
    dialog->exitButton = gtk_button_new_with_mnemonic("E_xit");
    gtk_widget_set_size_request(run, 117, -1);
    gtk_widget_set_size_request(dialog->exitButton, 117, -1);
    gtk_box_pack_start(GTK_BOX(buttons), run, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(buttons), dialog->exitButton, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(column), buttons, FALSE, FALSE, 0);

    gtk_widget_set_can_default(run, TRUE);
    gtk_window_set_default(GTK_WINDOW(window), run);
    gtk_window_set_focus(GTK_WINDOW(window), run);

    g_signal_connect(run, "clicked", G_CALLBACK(OnRunClicked), dialog);
    g_signal_connect(dialog->exitButton, "clicked", G_CALLBACK(OnExitClicked), dialog);
    g_signal_connect(window, "delete-event", G_CALLBACK(OnDeleteEvent), dialog);
    g_signal_connect(window, "key-press-event", G_CALLBACK(OnKeyPress), dialog);
}

SetupResult RunSetupDialog(DisplaySettings* settings)
{
    // GTK would otherwise switch the C library to the user's locale, under
    // which the mesh loader's scanf reads "1.5" as 1 where the decimal
    // separator is a comma.
    gtk_disable_setlocale();
    if (!gtk_init_check(nullptr, nullptr)) {
        std::fprintf(stderr, "halvane: cannot open the display for the setup dialog\n");
        return SETUP_FAILED;
    }
    SetupDialog dialog = {};
    dialog.result = SETUP_EXIT;
    BuildSetupDialog(&dialog);
    gtk_widget_show_all(dialog.window);
    gtk_window_present(GTK_WINDOW(dialog.window));
    gtk_main();

    if (dialog.result == SETUP_RUN) {
        const bool wide = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(dialog.wide));
        const bool fullscreen = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(dialog.fullscreen));
        *settings = wide ? DISPLAY_16_9 : DISPLAY_4_3;
        settings->fullscreen = fullscreen ? 1 : 0;
    }
    // Gone from the screen before the show's window appears.
    gtk_widget_destroy(dialog.window);
    while (gtk_events_pending())
        gtk_main_iteration();
    return dialog.result;
}
