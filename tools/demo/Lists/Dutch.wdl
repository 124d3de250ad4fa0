hallo
dank je
kaas
bibliotheek
raam
