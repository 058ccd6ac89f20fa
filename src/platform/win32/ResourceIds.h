/* Resource identifiers, shared by the program's hivetidy.rc (src/program/res) and the window here,
   which loads its icon by them from the module it runs in (the resource compiler reads only the
   preprocessor's part of a header). */
#ifndef HIVETIDY_RESOURCE_IDS_H
#define HIVETIDY_RESOURCE_IDS_H

#define IDI_HIVETIDY 1

#endif
