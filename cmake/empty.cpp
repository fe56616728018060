// Translation unit with no content: lets a target be built from libraries only.
