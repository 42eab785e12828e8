#pragma once

class QDialog;
class ScreenCamera;

// Shows `sheet` tall enough for its whole form, so the picture shows every section and the
// buttons, takes the picture as `name` and closes the sheet.
bool shootSheet(ScreenCamera& camera, QDialog* sheet, const char* name, int width = 620);
