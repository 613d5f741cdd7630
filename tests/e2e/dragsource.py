#!/usr/bin/env python3
"""A small X program that lets files be dragged from it, as a file manager
does: one window titled "tde-drag-source" whose button offers the files
named on the command line as text/uri-list. Ends when its window closes."""
import pathlib
import sys

import gi

gi.require_version("Gtk", "3.0")
from gi.repository import Gdk, Gtk  # noqa: E402

uris = [pathlib.Path(p).resolve().as_uri() for p in sys.argv[1:]]
win = Gtk.Window(title="tde-drag-source")
win.set_default_size(160, 100)
button = Gtk.Button(label="drag me")
button.drag_source_set(Gdk.ModifierType.BUTTON1_MASK, [], Gdk.DragAction.COPY)
button.drag_source_add_uri_targets()
button.connect("drag-data-get", lambda _w, _ctx, data, _info, _time: data.set_uris(uris))
win.add(button)
win.connect("destroy", Gtk.main_quit)
win.show_all()
Gtk.main()
