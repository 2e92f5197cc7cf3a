// Keeps ordello_ui a valid library while its folders are still empty.
