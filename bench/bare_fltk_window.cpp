// The reference for the time from exec to a mapped window: a bare FLTK window of the size
// given, with nothing in it.
#include <FL/Fl.H>
#include <FL/Fl_Window.H>

#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  Fl_Window window(std::atoi(argv[1]), std::atoi(argv[2]), "bare");
  window.end();
  window.show();
  return Fl::run();
}
