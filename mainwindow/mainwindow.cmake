# mainwindow sources
