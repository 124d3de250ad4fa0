Hallo
Danke
Kaese
Bibliothek
Fenster
