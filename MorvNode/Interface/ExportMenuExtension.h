#pragma once

class DocumentWindow;

// The export commands in every document window: in the File menu "Export..." (the export
// panel), "Export again" (enabled once the document has exported) and "Export Animation..." (the
// animation export panel), in the Edit menu "Copy pattern vectors" (PDF) and "Copy pattern
// bitmap" (PNG and TIFF).
class ExportMenuExtension {
public:
  // Registers the commands for every document window made afterwards.
  static void install();
  // Adds them to one window's menus.
  static void addToWindow(DocumentWindow& window);
};
