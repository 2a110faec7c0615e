#pragma once
// The preview pane of the file dialogs: the picture under the cursor,
// scaled to fit, and its size.
class QFileDialog;

namespace jollix {

// Puts a preview pane beside the dialog's file list, following its cursor.
void addPreview(QFileDialog& dialog);

}  // namespace jollix
