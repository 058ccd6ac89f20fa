/* Resource identifiers, shared by hivetidy.rc and the C++ sources (the resource compiler reads only
   the preprocessor's part of a header). */
#ifndef HIVETIDY_RESOURCE_IDS_H
#define HIVETIDY_RESOURCE_IDS_H

#define IDI_HIVETIDY 1

#endif
