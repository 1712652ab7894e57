/* The driver's version: its one home. The title, the About box, the
   version record of the resources and the package name take it from here.
   Plain defines only: the resource compiler and CMake read this file too. */
#pragma once

#define VALDRN_VERSION_TEXT "3.02.06"
#define VALDRN_VERSION_NUMBERS 3,2,6,0
