pictarro_add_test(NAME tst_bmp2jpeg SOURCES tst_bmp2jpeg.cpp LIBS bmp2jpeg Qt6::Gui)
