#pragma once
// The pictures drawn for the project (SVG, compiled into the program): the operations, the kinds of
// file, the check boxes, folders, the program's icon and the banner of the wait dialog and the
// wizard. Pictures that the handset named by bitmap resource number keep their numbers here.

#include <QIcon>
#include <QPixmap>

enum PictureId : int {
    PICTURE_CHECKED = 156,
    PICTURE_UNCHECKED = 157,
    PICTURE_OPERATION_FIRST = 170, // + the operation code (Sync 0 ... Restore 5)
    PICTURE_AUDIO = 185,
    PICTURE_VIDEO = 186,
    PICTURE_OTHER_FILE = 187,
};

// The picture `id` drawn at `size` device-independent pixels; a null pixmap for an unknown id.
QPixmap Picture(int id, int size);
QIcon ProgramIcon();
QIcon FolderIcon();
// The banner, 200 x 70 at the scale of `size`.
QPixmap Banner(QSize size);
