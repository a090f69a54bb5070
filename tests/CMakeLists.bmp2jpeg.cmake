# The encoder's test pictures: bitmaps written byte by byte and the check of
# a decoded JPEG against them, built once for both encoder test programs.
add_library(pictarro_test_bitmaps STATIC TestBitmaps.cpp TestBitmaps.h)
target_link_libraries(pictarro_test_bitmaps PUBLIC Qt6::Gui)

pictarro_add_test(NAME tst_bmp2jpeg SOURCES tst_bmp2jpeg.cpp TestFiles.h
  LIBS bmp2jpeg pictarro_test_bitmaps Qt6::Gui)
pictarro_add_test(NAME tst_encoderapi SOURCES tst_encoderapi.cpp TestFiles.h
  LIBS bmp2jpeg pictarro_test_bitmaps Qt6::Gui)
