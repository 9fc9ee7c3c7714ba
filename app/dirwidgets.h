// The drive selector and directory tree shared by the folder-picking dialogs.
#pragma once

class QComboBox;
class QFileSystemModel;
class QString;
class QTreeView;
class QWidget;

namespace sw {

// "DCB1": the mounted volumes by their root paths.
QComboBox* MakeDriveSelector(QWidget* parent);
// Shows in the drive selector the volume a folder lies on (no signal).
void SelectVolumeOf(QComboBox* drives, const QString& dir);
// "DLB1": a tree of folders only; *model receives its model.
QTreeView* MakeDirectoryTree(QWidget* parent, QFileSystemModel** model);
// Opens the tree at a folder (the nearest existing one when it is gone): its
// parents expanded, the folder current and in view. The model reads folders
// in the background, so the folder is kept in view while the rows above it
// arrive, until the user moves. No signal of the tree is raised. Returns the
// folder shown.
QString OpenTreeAt(QTreeView* tree, QFileSystemModel* model, const QString& dir);

}  // namespace sw
