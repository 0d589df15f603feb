#pragma once

class DocumentWindow;

// The application's menus in every document window: the rendering-information toggle in the View
// menu (with the view it shows), a grid-snap toggle in the Node menu, the
// Window menu (minimise, full-screen preview) and the Help menu (tips, manual, sample files,
// node reference, feedback and technical information, the maker's web pages, about). Their
// commands go to the application's panels (ApplicationPanels).
class ApplicationMenuExtension {
public:
  // Registers the menus for every document window made afterwards.
  static void install();
  static void addToWindow(DocumentWindow& window);
};
