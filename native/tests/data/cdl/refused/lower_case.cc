<?xml version="1.0" encoding="UTF-8"?>
<colorcorrection id="a">
    <satnode><saturation>0.5</saturation></satnode>
</colorcorrection>
