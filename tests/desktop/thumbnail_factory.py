"""Thumbnails as a GNOME file manager makes them: GnomeDesktop's thumbnail
factory, with the file's type as GIO detects it, asked whether it can
thumbnail the file and then to make the thumbnail, in its own sandbox.

    thumbnail_factory.py OUTPUT_DIR FILE...

For each FILE prints one line, tab-separated:
    FILE  TYPE  CAN  RESULT  LEFT
TYPE is the content type GIO detects; CAN is "yes" or "no" (can_thumbnail);
RESULT is the thumbnail written as OUTPUT_DIR/<n>.png with its size
("<path> <w>x<h>") or "none: <why>"; LEFT lists the factory's temporary
folders (/tmp/gnome-desktop-thumbnailer-*) that the call left, or "-".
The environment chooses the data folders (XDG_DATA_DIRS, XDG_DATA_HOME) where
the MIME database and the .thumbnailer files are looked up, and PATH.
"""
import glob
import os
import sys

import gi

gi.require_version("GnomeDesktop", "3.0")
gi.require_version("GdkPixbuf", "2.0")
from gi.repository import GdkPixbuf, Gio, GLib, GnomeDesktop  # noqa: E402


def sandbox_folders():
    return set(glob.glob("/tmp/gnome-desktop-thumbnailer-*"))


def main():
    output = sys.argv[1]
    factory = GnomeDesktop.DesktopThumbnailFactory.new(GnomeDesktop.DesktopThumbnailSize.LARGE)
    for n, path in enumerate(sys.argv[2:]):
        file = Gio.File.new_for_path(path)
        info = file.query_info("standard::content-type,time::modified", Gio.FileQueryInfoFlags.NONE, None)
        content_type = info.get_content_type()
        mime = Gio.content_type_get_mime_type(content_type) or content_type
        mtime = info.get_attribute_uint64("time::modified")
        uri = file.get_uri()
        can = factory.can_thumbnail(uri, mime, mtime)
        result = "none: not asked"
        before = sandbox_folders()
        if can:
            try:
                pixbuf = factory.generate_thumbnail(uri, mime, None)
            except GLib.Error as error:
                pixbuf = None
                result = "none: " + error.message.replace("\t", " ").replace("\n", " ")
            if pixbuf is not None:
                out = os.path.join(output, "%d.png" % n)
                pixbuf.savev(out, "png", [], [])
                result = "%s %dx%d" % (out, pixbuf.get_width(), pixbuf.get_height())
            elif result == "none: not asked":
                result = "none: no picture"
        left = sorted(sandbox_folders() - before)
        print("\t".join([path, mime, "yes" if can else "no", result, " ".join(left) or "-"]), flush=True)


if __name__ == "__main__":
    main()
